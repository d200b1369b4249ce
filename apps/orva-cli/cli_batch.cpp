#include "cli_batch.h"

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "batch/batch_file.h"
#include "batch/batch_steps.h"
#include "batch/run_batch.h"
#include "cli_load.h"
#include "cli_ops.h"
#include "common/parallel.h"
#include "common/text.h"
#include "imageio/formats.h"
#include "shell/commands.h"
#include "shell/messages.h"
#include "shell/settings.h"

namespace orva {

namespace {

constexpr const char* kBatchUsage =
    "usage:\n"
    "  orva-cli batch FILE.ovb IN... [--out DIR] [--jobs N] [--overwrite] [load options]\n"
    "      runs the batch over IN... as dropping them on the window would; --out replaces\n"
    "      the save folder, --jobs N works on N files at once with one core each (one file\n"
    "      at a time batches; without it one file at a time uses every core),\n"
    "      existing outputs are kept unless --overwrite; the load options (--settings,\n"
    "      --set for the RAW and dark settings, --dark) act as on the window\n"
    "  orva-cli batch --write FILE.ovb [--composite] [--step OP]... [--save DIR TYPE]\n"
    "                 [--settings FILE.ovg] [--set KEYWORD=N,...]...\n"
    "      writes a batch file: files opened one at a time (or --composite: stacked first),\n"
    "      up to six steps with the settings given, then saved into DIR as TYPE (bmp, png,\n"
    "      jpg, tif, ppm, fits) or, without --save, left open\n"
    "      step OPs: crop background sharpen edge wavelet restore rotate distortion gamma\n"
    "      level saturation noise dynamic-range\n";

int Usage(const std::string& problem) {
    return CliUsage(problem, kBatchUsage);
}

std::string OneLine(std::string text) {
    std::replace(text.begin(), text.end(), '\n', ' ');
    return text;
}

// Says on stderr what the desktop shows in boxes; answers the overwrite question from the
// command line.
class BatchUi : public QuietUi {
public:
    explicit BatchUi(bool overwrite) : overwrite_(overwrite) {}
    Answer AskUser(const MessageBoxRequest& r) override {
        if (r.title == msg::kTitleError) ++errors;
        if (r.buttons == Buttons::OkCancel) {
            std::fprintf(stderr, "orva-cli: %s: %s\n", OneLine(r.text).c_str(),
                         overwrite_ ? "replaced" : "kept (use --overwrite to replace)");
            return overwrite_ ? Answer::Ok : Answer::Cancel;
        }
        std::fprintf(stderr, "orva-cli: %s\n", OneLine(r.text).c_str());
        return r.buttons == Buttons::YesNoCancel ? Answer::No : Answer::Ok;
    }

private:
    bool overwrite_;
};

struct StepName {
    const char* name;
    int code;
};
constexpr StepName kStepNames[] = {
    {"crop", 4},        {"background", 5}, {"sharpen", 6},        {"edge", 7},   {"wavelet", 8},
    {"restore", 9},     {"rotate", 10},    {"distortion", 11},    {"gamma", 12}, {"level", 13},
    {"saturation", 14}, {"noise", 15},     {"dynamic-range", 16},
};

int WriteMode(int argc, char** argv) {
    std::string path;
    std::vector<int> codes;
    std::vector<std::string> sets;
    std::string settings_file, folder, type;
    bool composite = false;
    for (int i = 2; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&](const char* what) -> const char* {
            return i + 1 < argc ? argv[++i] : (Usage(a + " needs " + what), nullptr);
        };
        if (a == "--write") {
            const char* v = value("a file name");
            if (v == nullptr) return 2;
            path = v;
        } else if (a == "--composite") {
            composite = true;
        } else if (a == "--step") {
            const char* v = value("an operation");
            if (v == nullptr) return 2;
            const auto* it =
                std::find_if(std::begin(kStepNames), std::end(kStepNames),
                             [&](const StepName& s) { return s.name == std::string(v); });
            if (it == std::end(kStepNames)) return Usage(std::string("unknown step '") + v + "'");
            codes.push_back(it->code);
        } else if (a == "--save") {
            if (i + 2 >= argc) return Usage("--save needs DIR and TYPE");
            folder = argv[++i];
            type = argv[++i];
        } else if (a == "--settings" || a == "--set") {
            const char* v = value("a value");
            if (v == nullptr) return 2;
            (a == "--set" ? sets.emplace_back(v) : settings_file = v);
        } else {
            return Usage("unknown argument '" + a + "'");
        }
    }
    if (path.empty()) return Usage("--write needs a file name");
    if (codes.size() > 6)
        return Usage("a batch holds at most six steps between opening and saving");

    QuietUi ui;
    AppContext ctx(ui);
    if (!settings_file.empty()) {
        std::string why;
        std::vector<std::string> unknown;
        if (!LoadSettingsFile(settings_file, ctx.settings, &why, &unknown))
            return CliFail(settings_file + ": " + why);
        for (const std::string& word : unknown)
            std::fprintf(stderr, "%s: unknown keyword %s\n", settings_file.c_str(), word.c_str());
    }
    for (const auto& s : sets) {
        std::string error;
        if (!ApplySettingAssignment(ctx.settings, s, &error))
            return CliFail("--set " + s + ": " + error);
    }
    BatchState& b = ctx.batch;
    b.steps[0].edited_code = composite ? kStepOpenComposite : kStepOpenOne;
    for (std::size_t k = 0; k < codes.size(); ++k) b.steps[k + 1].edited_code = codes[k];
    BatchStep& save = b.steps[kBatchSteps - 1];
    save.edited_code = kStepEnd;
    if (!folder.empty()) {
        const int filter = SaveFilterForExtension("." + type);
        if (filter == 0) return Usage("unknown save type '" + type + "'");
        save.edited_code = kStepSave;
        save.folder = std::filesystem::absolute(folder).lexically_normal().string();
        if (save.folder.size() > 1 && save.folder.back() == '/') save.folder.pop_back();
        save.format = SaveFilterExtension(filter);
        save.block[0] = filter;
    }
    b.save_configured = 1;
    // Every step takes the settings given for its operation, as the dialog's OK does.
    for (int k = 0; k < kBatchSteps; ++k) b.steps[static_cast<std::size_t>(k)].confirmed_code = -1;
    if (!ConfirmBatchSequence(ctx)) return CliFail("the batch could not be confirmed");
    if (!WriteBatchFile(path, b)) return CliFail(path + ": cannot write the batch file");
    return 0;
}

// Runs the files of one process. Returns the exit status.
int RunFiles(const BatchState& loaded, const std::vector<std::string>& files, bool overwrite,
             const LoadOptions& load) {
    BatchUi ui(overwrite);
    AppContext ctx(ui);
    if (std::string error; !ApplyLoadOptions(ctx, load, &error)) return CliFail(error);
    ctx.batch.steps = loaded.steps;
    ctx.batch.save_configured = 1;
    InstallBatch(ctx);
    ctx.batch.mode = ctx.batch.steps[0].edited_code;
    if (ctx.batch.mode == kStepOpenComposite) {
        DropFiles(ctx, files);
        return ui.errors == 0 ? 0 : 1;
    }
    for (std::size_t i = 0; i < files.size() && ctx.batch.mode == kStepOpenOne; ++i) {
        if (files.size() > 1)
            std::fprintf(stderr, "orva-cli: [%zu/%zu] %s\n", i + 1, files.size(), files[i].c_str());
        DropFiles(ctx, {files[i]});
        // A file that fails ends the drop, as it does on the window.
        if (ui.errors != 0) return 1;
    }
    return 0;
}

}  // namespace

int BatchMain(int argc, char** argv) {
    for (int i = 2; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--write") return WriteMode(argc, argv);
        if (a == "--help" || a == "-h") {
            std::fputs(kBatchUsage, stdout);
            return 0;
        }
    }

    std::vector<std::string> args;
    std::string out;
    int jobs = 0;  // not given: one process using every core
    bool overwrite = false;
    LoadOptions load;
    for (int i = 2; i < argc; ++i) {
        const std::string a = argv[i];
        std::string error;
        if (const auto parsed = ParseLoadOption(argc, argv, i, load, &error)) {
            if (!*parsed) return Usage(error);
            continue;
        }
        if (a == "--out" || a == "--jobs") {
            if (i + 1 >= argc) return Usage(a + " needs a value");
            const std::string v = argv[++i];
            if (a == "--out") {
                out = v;
            } else {
                jobs = std::atoi(v.c_str());
                if (jobs < 1 || jobs > 64) return Usage("--jobs needs a number from 1 to 64");
            }
        } else if (a == "--overwrite") {
            overwrite = true;
        } else if (a.rfind("--", 0) == 0) {
            return Usage("unknown option " + a);
        } else {
            args.push_back(a);
        }
    }
    if (args.size() < 2) return Usage("batch needs FILE.ovb and at least one input");
    BatchState batch;
    ResetBatchSequence(batch);
    if (!ReadBatchFile(args[0], batch)) return CliFail(args[0] + ": not a readable batch file");
    const int mode = batch.steps[0].edited_code;
    if (mode != kStepOpenOne && mode != kStepOpenComposite)
        return CliFail(args[0] + ": step 1 must open the files");
    BatchStep& save = batch.steps[kBatchSteps - 1];
    if (!out.empty()) {
        save.folder = std::filesystem::absolute(out).lexically_normal().string();
        if (save.folder.size() > 1 && save.folder.back() == '/') save.folder.pop_back();
    }
    if (save.edited_code != kStepSave) {
        std::fprintf(stderr, "orva-cli: the batch ends without saving: nothing is written\n");
    } else {
        // On the window the folder was picked in a file dialog; here it may not exist yet.
        std::error_code ec;
        std::filesystem::create_directories(save.folder, ec);
        if (ec) return CliFail(save.folder + ": cannot make the folder: " + ec.message());
    }
    const std::vector<std::string> files(args.begin() + 1, args.end());

    const auto start = std::chrono::steady_clock::now();
    int status = 0;
    // Files of a one-at-a-time batch are independent: N processes take every N-th file. A
    // batch that ends after its first file, or whose files do not all look readable, runs in
    // one process so that its outcome is the same as from the window.
    bool split =
        jobs > 1 && mode == kStepOpenOne && save.edited_code == kStepSave && files.size() > 1;
    for (const auto& f : files)
        if (DetectFormat(f) == kFormatUnknown || !std::filesystem::is_regular_file(f))
            split = false;
    if (!split) {
        // --jobs 1 is one core, as each of N jobs is.
        if (jobs == 1) SetThreadCount(1);
        status = RunFiles(batch, files, overwrite, load);
    } else {
        std::fflush(nullptr);
        std::vector<pid_t> children;
        const int n = std::min<int>(jobs, static_cast<int>(files.size()));
        for (int j = 0; j < n; ++j) {
            std::vector<std::string> share;
            for (std::size_t i = static_cast<std::size_t>(j); i < files.size();
                 i += static_cast<std::size_t>(n))
                share.push_back(files[i]);
            const pid_t pid = fork();
            if (pid == 0) {
                SetThreadCount(1);  // the processes share the cores between them
                std::fflush(nullptr);
                _exit(RunFiles(batch, share, overwrite, load));
            }
            if (pid < 0) {
                status = CliFail("cannot start another process");
                break;
            }
            children.push_back(pid);
        }
        for (const pid_t pid : children) {
            int ws = 0;
            if (waitpid(pid, &ws, 0) < 0 || !WIFEXITED(ws) || WEXITSTATUS(ws) != 0) status = 1;
        }
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::fprintf(stderr, "orva-cli: %zu file(s) in %.2f s\n", files.size(), seconds);
    return status;
}

}  // namespace orva
