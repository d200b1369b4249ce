// A Ui double for tests: records everything the command layer shows or asks, and answers
// from a script. A question that the script does not answer fails the test.
#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "shell/context.h"
#include "shell/ui.h"

namespace orva::testing {

class ScriptedUi : public Ui {
public:
    std::vector<MessageBoxRequest> boxes;
    std::vector<FileDialogRequest> open_requests, save_requests;
    std::vector<std::string> dialogs_run, documents;
    std::vector<std::string> titles, status_texts;
    int repaints = 0, quits = 0, busy_depth = 0;
    std::vector<int> progress;                // percentages shown, -1 when the display ended
    std::vector<std::string> progress_texts;  // the lines shown with them

    std::deque<Answer> answers;  // for OK/Cancel and Yes/No/Cancel boxes
    std::deque<std::optional<FileDialogResult>> open_results, save_results;
    std::map<std::string, std::function<bool(AppContext&)>> dialog_handlers;
    bool documents_open = true;
    bool cancel_progress = false;  // what ProgressCancelled answers

    Answer AskUser(const MessageBoxRequest& r) override {
        boxes.push_back(r);
        if (r.buttons == Buttons::Ok) return Answer::Ok;
        if (answers.empty()) {
            ADD_FAILURE() << "unscripted question: " << r.title << " / " << r.text;
            return Answer::Cancel;
        }
        const Answer a = answers.front();
        answers.pop_front();
        return a;
    }
    std::optional<FileDialogResult> OpenFileDialog(const FileDialogRequest& r) override {
        open_requests.push_back(r);
        return Next(open_results, "open dialog");
    }
    std::optional<FileDialogResult> SaveFileDialog(const FileDialogRequest& r) override {
        save_requests.push_back(r);
        return Next(save_results, "save dialog");
    }
    bool RunDialog(DialogId dialog, AppContext& ctx) override {
        const std::string_view name = DialogName(dialog);
        dialogs_run.emplace_back(name);
        const auto it = dialog_handlers.find(std::string(name));
        return it == dialog_handlers.end() ? true : it->second(ctx);
    }
    bool OpenDocument(const std::string& path) override {
        documents.push_back(path);
        return documents_open;
    }
    void SetBusy(bool busy) override { busy_depth += busy ? 1 : -1; }
    void Repaint() override { ++repaints; }
    void SetTitle(const std::string& t) override { titles.push_back(t); }
    void SetStatusText(const std::string& t) override { status_texts.push_back(t); }
    void Quit() override { ++quits; }
    void ShowProgress(const std::string& text, int percent) override {
        progress.push_back(percent);
        progress_texts.push_back(text);
    }
    bool ProgressCancelled() override { return cancel_progress; }

    // Texts of the boxes with a given title.
    std::vector<std::string> Texts(const std::string& title) const {
        std::vector<std::string> out;
        for (const auto& b : boxes)
            if (b.title == title) out.push_back(b.text);
        return out;
    }

private:
    static std::optional<FileDialogResult> Next(std::deque<std::optional<FileDialogResult>>& q,
                                                const char* what) {
        if (q.empty()) {
            ADD_FAILURE() << "unscripted " << what;
            return std::nullopt;
        }
        auto r = q.front();
        q.pop_front();
        return r;
    }
};

// A fresh context on a scripted Ui (or one derived from it) with plenty of memory reported.
template <typename ScriptUi = ScriptedUi>
struct BasicHarness {
    ScriptUi ui;
    std::unique_ptr<AppContext> ctx;
    explicit BasicHarness(const OpKernels& kernels = AppKernels())
        : ctx(std::make_unique<AppContext>(ui, kernels)) {
        ctx->ws.available_memory = [] { return uint64_t{1} << 40; };
    }
};
using Harness = BasicHarness<>;

// Fills a slot with a w x h picture whose samples are f(channel, column, row).
inline ImageRecord& MakeImage(Workspace& ws, int slot, int w, int h,
                              const std::function<uint16_t(int, int, int)>& f,
                              const std::string& name = "") {
    DecodedImage img;
    EXPECT_TRUE(img.Allocate(w, h));
    for (int c = 0; c < 3; ++c) {
        Plane& p = c == 0 ? img.red : c == 1 ? img.green : img.blue;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) p[static_cast<std::size_t>(y) * w + x] = f(c, x, y);
    }
    ImageRecord& rec = ws.at(slot);
    StoreDecoded(rec, std::move(img), name);
    MarkLoaded(ws, slot);
    return rec;
}

inline uint16_t Sample(const ImageRecord& r, int c, int x, int y) {
    return r.plane(c)[static_cast<std::size_t>(y) * r.width + x];
}

// A folder under the system temporary folder, removed with the object.
class TempDir {
public:
    TempDir();
    ~TempDir();
    std::string Path(const std::string& name) const { return dir_ + "/" + name; }
    const std::string& dir() const { return dir_; }

private:
    std::string dir_;
};

}  // namespace orva::testing
