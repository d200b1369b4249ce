// Every write goes to a temporary file renamed over the target when complete: a failed write
// keeps the old file and leaves nothing behind, a replaced file keeps its permission bits,
// and a symbolic link is written through to its target.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "imageio/formats.h"
#include "raw/dng_write.h"
#include "shell/settings.h"
#include "support/files.h"
#include "support/images.h"
#include "support/scripted_ui.h"

namespace orva {
namespace {

using namespace testing;
namespace fs = std::filesystem;

// While it lives, no file may grow beyond `bytes`; with SIGXFSZ ignored a write past the
// limit fails with EFBIG, as a write on a full disk fails.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &old_);
        old_handler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = old_;
        limit.rlim_cur = bytes;
        EXPECT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, old_handler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit old_{};
    void (*old_handler_)(int) = SIG_DFL;
};

constexpr rlim_t kLimit = 512;

struct Writer {
    const char* name;  // the file's name, which gives its kind
    std::function<bool(const std::string&)> write;
};

const ImageRecord& Picture() {
    static const ImageRecord rec = MakeRecord(120, 80, 7);
    return rec;
}

// One writer of each way a file is made: through the sink's buffer, by libtiff writing the
// sink's temporary file by name, in two steps through an intermediate file, and a text file.
const Writer kWriters[] = {
    {"a.png", [](const std::string& p) { return WritePng(p, Picture()).ok(); }},
    {"a.dng", [](const std::string& p) { return WriteDng(p, SampleMosaic(120, 80)).ok(); }},
    {"a.jpg", [](const std::string& p) { return WriteJpegExif(p, Picture()).ok(); }},
    {"a.ovg", [](const std::string& p) { return SaveSettingsFile(p, Settings{}); }},
};

const std::vector<uint8_t> kOld = {'o', 'l', 'd', ' ', 'f', 'i', 'l', 'e'};

mode_t Mode(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(stat(path.c_str(), &st), 0) << path;
    return st.st_mode & 07777;
}

std::vector<std::string> Names(const std::string& dir) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

// Per writer: a write cut short keeps the old file and leaves nothing; a replace keeps the
// permission bits; a link (to an existing or a missing file) is written through.
TEST(AtomicWrite, FailedWritesKeepTheOldFileReplacesKeepTheModeLinksAreFollowed) {
    for (const Writer& w : kWriters) {
        SCOPED_TRACE(w.name);
        TempDir dir;
        const std::string target = dir.Path(w.name);
        ASSERT_TRUE(w.write(target));
        const std::vector<uint8_t> fresh = ReadAll(target);
        ASSERT_GT(fresh.size(), kLimit);  // the limit cuts every writer short
        WriteAll(target, kOld);
        ASSERT_EQ(chmod(target.c_str(), 0640), 0);
        bool written = true;
        {
            const FileSizeLimit limit(kLimit);  // nothing is reported while it holds
            written = w.write(target);
        }
        EXPECT_FALSE(written);
        EXPECT_EQ(ReadAll(target), kOld);
        EXPECT_EQ(Names(dir.dir()), std::vector<std::string>{w.name});
        ASSERT_TRUE(w.write(target));
        EXPECT_EQ(ReadAll(target), fresh);
        EXPECT_EQ(Mode(target), 0640u);

        fs::create_directory(dir.Path("sub"));
        for (const std::string& to : {"../" + std::string(w.name), std::string("missing")}) {
            fs::create_symlink(to, dir.Path("sub/link"));
            ASSERT_TRUE(w.write(dir.Path("sub/link")));
            EXPECT_TRUE(fs::is_symlink(dir.Path("sub/link")));
            EXPECT_EQ(ReadAll(dir.Path("sub/" + to)), fresh);
            fs::remove(dir.Path("sub/link"));
        }
        EXPECT_EQ(Mode(target), 0640u);
        EXPECT_EQ(Names(dir.dir()), (std::vector<std::string>{w.name, "sub"}));
        EXPECT_EQ(Names(dir.Path("sub")), std::vector<std::string>{"missing"});
    }
}

TEST(AtomicWrite, AFolderOrPipeIsNotReplaced) {
    TempDir dir;
    fs::create_directory(dir.Path("folder"));
    ASSERT_EQ(mkfifo(dir.Path("pipe").c_str(), 0600), 0);
    for (const char* name : {"folder", "pipe"})
        EXPECT_EQ(WritePng(dir.Path(name), Picture()).status, IoStatus::WriteFailed) << name;
    EXPECT_TRUE(fs::is_directory(dir.Path("folder")));
    EXPECT_TRUE(fs::is_fifo(dir.Path("pipe")));
    EXPECT_EQ(Names(dir.dir()), (std::vector<std::string>{"folder", "pipe"}));
}

}  // namespace
}  // namespace orva
