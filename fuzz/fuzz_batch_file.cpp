// Batch file reader on arbitrary bytes, then the invariant that whatever was read is written
// and read back to the same text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "batch/batch_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    orva::BatchState read;
    orva::ResetBatchSequence(read);
    if (orva::ReadBatchText(text, read) > orva::kBatchSteps) std::abort();
    const std::string written = orva::WriteBatchText(read);
    orva::BatchState again;
    if (orva::ReadBatchText(written, again) != orva::kBatchSteps) std::abort();
    if (orva::WriteBatchText(again) != written) std::abort();
    return 0;
}
