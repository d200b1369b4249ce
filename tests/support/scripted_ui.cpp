#include "support/scripted_ui.h"

#include <unistd.h>

#include <atomic>
#include <filesystem>

namespace orva::testing {

TempDir::TempDir() {
    static std::atomic<int> counter{0};
    const auto base =
        std::filesystem::temp_directory_path() /
        ("orva-test-" + std::to_string(::getpid()) + "-" + std::to_string(counter.fetch_add(1)));
    std::filesystem::create_directories(base);
    dir_ = base.string();
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
}

}  // namespace orva::testing
