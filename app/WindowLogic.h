// What the window does, whatever toolkit draws it: its states and texts, the target proposed
// from the table, the run, and the way back to the start after a failure.
#pragma once

#include <exception>
#include <functional>
#include <string>

#include "app/WindowView.h"
#include "conversion/ConversionRun.h"

namespace korvane::app {

// One run's input, taken on the window's thread, so the conversion may go on another.
struct RunJob {
    std::string tablePath;
    std::string targetPath;
    ConversionOptions options;
};

// What the conversion gave: the document written, or the table not opened (its box shown), or
// an error that ended the run.
struct RunOutcome {
    bool converted = false;
    ConversionReport report;
    std::exception_ptr error;
};

class TWindowLogic {
public:
    // `options`: what every run reads with (the system's settings; tests add memory files).
    // `applicationTitle`: the error box's caption.
    TWindowLogic(IWindowView& view, TableOwner& owner, ConversionOptions options, std::string applicationTitle);

    // The controls and texts the window starts with; after a failed open or run too.
    void ShowStartState();
    void b_OpenDBFClick();
    void b_XMLClick();
    // Runs the conversion on the caller's thread: BeginRun, Convert, EndRun.
    void b_RunClick();
    // Takes `path` as the chosen table, as the open dialog does (a table named at start).
    void ChooseTable(const std::string& path);

    // The run in three parts for a view that converts on another thread: BeginRun and EndRun
    // on the window's thread, Convert on any, with a view that passes its calls on to the
    // window's thread.
    RunJob BeginRun() const;
    static RunOutcome Convert(IConversionView& view, TableOwner& owner, const RunJob& job);
    void EndRun(const RunOutcome& outcome);

    // Runs a handler; an error that leaves it is shown in the application's error box.
    void Guarded(const std::function<void()>& handler);

    // The paths the run uses (labels may show them elided).
    const std::string& TablePath() const { return FTablePath; }
    const std::string& TargetPath() const { return FTargetPath; }

private:
    // Shows the exception being handled (the silent abort shows nothing).
    void ShowCurrentError();

    IWindowView& FView;
    TableOwner& FOwner;
    ConversionOptions FOptions;
    std::string FTitle;
    std::string FTablePath;
    std::string FTargetPath;
};

}  // namespace korvane::app
