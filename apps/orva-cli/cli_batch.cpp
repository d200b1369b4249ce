#include "cli_batch.h"

#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "batch/batch_file.h"
#include "batch/batch_steps.h"
#include "batch/run_batch.h"
#include "cli_args.h"
#include "cli_load.h"
#include "cli_messages.h"
#include "cli_ops.h"
#include "common/parallel.h"
#include "common/text.h"
#include "composite/multi_file.h"
#include "imageio/formats.h"
#include "shell/commands.h"
#include "shell/messages.h"
#include "shell/operations.h"
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
    "      --set for the RAW and dark settings, --dark) act as on the window. A file that\n"
    "      fails to load, process or save is reported and the others still run; the run\n"
    "      ends with \"N written, M failed\" and exits with 1 when any failed. An output\n"
    "      may not be an input, nor two inputs give one output name\n"
    "  orva-cli batch --write FILE.ovb [--composite] [--step OP]... [--save DIR TYPE]\n"
    "                 [--settings FILE.ovg] [--set KEYWORD=N,...]...\n"
    "      writes a batch file: files opened one at a time (or --composite: stacked first),\n"
    "      up to six steps with the settings given, then saved into DIR as TYPE (bmp, png,\n"
    "      jpg, tif, ppm, fits) or, without --save, left open\n";

// The usage with the step names the operations declare, wrapped like the rest.
const std::string& BatchUsage() {
    static const std::string text = [] {
        std::string out = kBatchUsage, line = "      step OPs:";
        for (const OperationDescriptor* op : StepOperations()) {
            const std::string name = StepCliName(*op);
            if (line.size() + 1 + name.size() > 88) {
                out += line + "\n";
                line = "     ";
            }
            line += " " + name;
        }
        return out + line + "\n";
    }();
    return text;
}

int Usage(const std::string& problem) {
    return CliUsage(problem, BatchUsage().c_str());
}

// Says on stderr what the desktop shows in boxes; answers the overwrite question from the
// command line.
class BatchUi : public QuietUi {
public:
    explicit BatchUi(bool overwrite) : overwrite_(overwrite) {}
    Answer AskUser(const MessageBoxRequest& r) override {
        if (r.title == msg::kTitleError) ++errors;
        const std::string text = CliText(r.text);
        if (r.buttons == Buttons::OkCancel) {
            if (!overwrite_) ++kept;
            std::fprintf(stderr, "orva-cli: %s: %s\n", text.c_str(),
                         overwrite_ ? "replaced" : "kept (use --overwrite to replace)");
            return overwrite_ ? Answer::Ok : Answer::Cancel;
        }
        std::fprintf(stderr, "orva-cli: %s\n", text.c_str());
        return r.buttons == Buttons::YesNoCancel ? Answer::No : Answer::Ok;
    }
    int kept = 0;  // outputs already there and left alone

private:
    bool overwrite_;
};

// What became of a run's outputs. Forked runs keep theirs in memory shared with the parent,
// updated after every file, so a run that dies still counts what it finished.
struct Tally {
    int written = 0, kept = 0, failed = 0;
    int done() const { return written + kept + failed; }
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
            const auto steps = StepOperations();
            const auto it = std::find_if(steps.begin(), steps.end(), [&](const auto* op) {
                return std::string_view(StepCliName(*op)) == v;
            });
            if (it == steps.end()) return Usage(std::string("unknown step '") + v + "'");
            codes.push_back((*it)->step.code);
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
    if (const std::string e = CheckOutputs({settings_file}, {path}); !e.empty()) return CliFail(e);
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

// Runs the files of one process into `tally`. A file that fails to load, to go through a
// step or to save is counted and the run goes on with the next one.
void RunFiles(const BatchState& loaded, const std::vector<std::string>& files, bool overwrite,
              const LoadOptions& load, bool progress, Tally& tally) {
    BatchUi ui(overwrite);
    AppContext ctx(ui);
    if (std::string error; !ApplyLoadOptions(ctx, load, &error)) {
        CliFail(error);
        tally.failed = static_cast<int>(files.size());
        return;
    }
    ctx.batch.steps = loaded.steps;
    ctx.batch.save_configured = 1;
    InstallBatch(ctx);
    ctx.batch.mode = ctx.batch.steps[0].edited_code;
    const bool saves = ctx.batch.steps[kBatchSteps - 1].edited_code == kStepSave;
    // The messages above say why; this line says which file (or stack) it was.
    auto count = [&](int errors, int kept, const std::string& what) {
        if (ui.errors != errors) {
            std::fprintf(stderr, "orva-cli: %s: failed%s\n", what.c_str(),
                         saves ? ", nothing written" : "");
            ++tally.failed;
        } else if (ui.kept != kept)
            ++tally.kept;
        else if (saves)
            ++tally.written;
    };
    if (ctx.batch.mode == kStepOpenComposite) {
        // One stack of every file: a file that cannot be read leaves nothing to write, rather
        // than a stack of the others under the same name.
        const auto run = ctx.batch.run;
        ctx.batch.run = [&ui, run](AppContext& c, int n, const std::string& path) {
            if (ui.errors == 0) run(c, n, path);
        };
        DropFiles(ctx, files);
        count(0, 0, "the stack of " + std::to_string(files.size()) + " file(s)");
        return;
    }
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (ctx.batch.mode != kStepOpenOne) {
            std::fprintf(stderr, "orva-cli: the batch ended after its first file: %zu not run\n",
                         files.size() - i);
            return;
        }
        if (progress && files.size() > 1)
            std::fprintf(stderr, "orva-cli: [%zu/%zu] %s\n", i + 1, files.size(), files[i].c_str());
        const int errors = ui.errors, kept = ui.kept;
        DropFiles(ctx, {files[i]});
        count(errors, kept, files[i]);
    }
}

// Runs the files in `jobs` processes, each taking every jobs-th file, into `tally`.
bool RunForked(const BatchState& batch, const std::vector<std::string>& files, bool overwrite,
               const LoadOptions& load, int jobs, Tally& tally) {
    const int n = std::min<int>(jobs, static_cast<int>(files.size()));
    const std::size_t bytes = sizeof(Tally) * static_cast<std::size_t>(n);
    void* memory = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    if (memory == MAP_FAILED) return false;
    auto* shares = new (memory) Tally[static_cast<std::size_t>(n)];
    std::fflush(nullptr);
    std::vector<std::pair<pid_t, std::size_t>> children;  // process, files it was given
    for (int j = 0; j < n; ++j) {
        std::vector<std::string> share;
        for (std::size_t i = static_cast<std::size_t>(j); i < files.size();
             i += static_cast<std::size_t>(n))
            share.push_back(files[i]);
        const pid_t pid = fork();
        if (pid == 0) {
            SetThreadCount(1);  // the processes share the cores between them
            RunFiles(batch, share, overwrite, load, false, shares[j]);
            std::fflush(nullptr);
            _exit(0);
        }
        if (pid < 0) {
            CliFail("cannot start another process: " + std::to_string(share.size()) +
                    " file(s) not run");
            tally.failed += static_cast<int>(share.size());
            continue;
        }
        children.emplace_back(pid, static_cast<std::size_t>(j));
    }
    for (const auto& [pid, j] : children) {
        int ws = 0;
        waitpid(pid, &ws, 0);
        const Tally& t = shares[j];
        // Files a process did not get to (it died) count as failed.
        const std::size_t given =
            (files.size() - j + static_cast<std::size_t>(n) - 1) / static_cast<std::size_t>(n);
        tally.written += t.written;
        tally.kept += t.kept;
        tally.failed += t.failed + static_cast<int>(given - static_cast<std::size_t>(t.done()));
    }
    munmap(memory, bytes);
    return true;
}

// The files a run writes: one per file, or one for a composite, named after the (last)
// source in the save folder.
std::vector<std::string> BatchOutputs(const BatchState& batch,
                                      const std::vector<std::string>& files) {
    const BatchStep& save = batch.steps[kBatchSteps - 1];
    if (save.edited_code != kStepSave) return {};
    std::vector<std::string> out;
    const bool composite = batch.steps[0].edited_code == kStepOpenComposite;
    for (std::size_t i = composite ? files.size() - 1 : 0; i < files.size(); ++i)
        out.push_back((std::filesystem::path(save.folder) /
                       (std::filesystem::path(files[i]).stem().string() + save.format))
                          .string());
    return out;
}

struct RunArgs {
    std::string batch_file, out;
    std::vector<std::string> files;
    int jobs = 0;  // not given: one process using every core
    bool overwrite = false;
    LoadOptions load;
};

// The arguments of a run; 0, or the status of a usage error.
int ParseRunArgs(int argc, char** argv, RunArgs& r) {
    std::vector<std::string> args;
    for (int i = 2; i < argc; ++i) {
        const std::string a = argv[i];
        std::string error;
        if (const auto parsed = ParseLoadOption(argc, argv, i, r.load, &error)) {
            if (!*parsed) return Usage(error);
            continue;
        }
        if (a == "--out" || a == "--jobs") {
            if (i + 1 >= argc) return Usage(a + " needs a value");
            const std::string v = argv[++i];
            if (a == "--out") {
                r.out = v;
            } else if (!ParseWhole(v, 1, 64, r.jobs)) {
                return Usage("--jobs needs a number from 1 to 64");
            }
        } else if (a == "--overwrite") {
            r.overwrite = true;
        } else if (LooksLikeOption(a)) {
            return Usage(UnknownOption(a));
        } else {
            args.push_back(a);
        }
    }
    if (args.size() < 2) return Usage("batch needs FILE.ovb and at least one input");
    r.batch_file = args[0];
    r.files.assign(args.begin() + 1, args.end());
    return 0;
}

}  // namespace

int BatchMain(int argc, char** argv) {
    if (WantsHelp(argc, argv)) {
        std::fputs(BatchUsage().c_str(), stdout);
        return 0;
    }
    for (int i = 2; i < argc; ++i)
        if (std::string(argv[i]) == "--write") return WriteMode(argc, argv);

    RunArgs r;
    if (const int status = ParseRunArgs(argc, argv, r); status != 0) return status;
    const std::vector<std::string>& files = r.files;
    BatchState batch;
    ResetBatchSequence(batch);
    if (!ReadBatchFile(r.batch_file, batch))
        return CliFail(r.batch_file + ": not a readable batch file");
    const int mode = batch.steps[0].edited_code;
    if (mode != kStepOpenOne && mode != kStepOpenComposite)
        return CliFail(r.batch_file + ": step 1 must open the files");
    BatchStep& save = batch.steps[kBatchSteps - 1];
    if (!r.out.empty()) {
        save.folder = std::filesystem::absolute(r.out).lexically_normal().string();
        if (save.folder.size() > 1 && save.folder.back() == '/') save.folder.pop_back();
    }
    if (mode == kStepOpenComposite && files.size() > static_cast<std::size_t>(kMultiFileMax))
        return Usage(
            Format("a compositing batch takes at most %d files (%zu given); stack more "
                   "frames with the calibrated 'orva-cli stack OUT LIGHT...'",
                   kMultiFileMax, files.size()));
    std::vector<std::string> inputs = LoadInputs(r.load, files);
    inputs.push_back(r.batch_file);
    if (const std::string e = CheckOutputs(inputs, BatchOutputs(batch, files)); !e.empty())
        return CliFail(e);
    if (save.edited_code != kStepSave) {
        std::fprintf(stderr, "orva-cli: the batch ends without saving: nothing is written\n");
    } else {
        // On the window the folder was picked in a file dialog; here it may not exist yet.
        std::error_code ec;
        std::filesystem::create_directories(save.folder, ec);
        if (ec) return CliFail(save.folder + ": cannot make the folder: " + ec.message());
    }
    const auto start = std::chrono::steady_clock::now();
    Tally tally;
    // Files of a one-at-a-time batch are independent: N processes take every N-th file. A
    // batch that ends after its first file runs in one process so that its outcome is the
    // same as from the window.
    const bool split =
        r.jobs > 1 && mode == kStepOpenOne && save.edited_code == kStepSave && files.size() > 1;
    if (!split || !RunForked(batch, files, r.overwrite, r.load, r.jobs, tally)) {
        // --jobs 1 is one core, as each of N jobs is.
        if (r.jobs == 1) SetThreadCount(1);
        RunFiles(batch, files, r.overwrite, r.load, true, tally);
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::fprintf(stderr, "orva-cli: %zu file(s) in %.2f s", files.size(), seconds);
    if (tally.kept > 0) std::fprintf(stderr, ", %d existing output(s) kept", tally.kept);
    std::fprintf(stderr, ": %d written, %d failed\n", tally.written, tally.failed);
    return tally.failed == 0 ? 0 : 1;
}

}  // namespace orva
