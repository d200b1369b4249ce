// What a reader or writer reports. The shell turns a status into the user's message; the
// detail is a short English phrase for orva-cli and for the message box of a damaged file.
#pragma once

#include <string>
#include <utility>

namespace orva {

enum class IoStatus {
    Ok,
    CannotOpen,     // the file could not be opened or created
    NotThisFormat,  // the signature is not the format's
    Damaged,        // truncated or inconsistent contents
    TooLarge,       // sizes beyond what the program handles
    OutOfMemory,
    Unsupported,  // a valid file of a kind this build does not read or write
    WriteFailed,  // an error while writing (disk full, I/O error)
};

struct IoResult {
    IoStatus status = IoStatus::Ok;
    std::string detail;

    bool ok() const { return status == IoStatus::Ok; }
    static IoResult Ok() { return {}; }
    static IoResult Fail(IoStatus s, std::string d) { return {s, std::move(d)}; }
};

const char* IoStatusName(IoStatus s);

}  // namespace orva
