#include "app/WindowLogic.h"

#include "app/ErrorText.h"
#include "conversion/ConversionTexts.h"
#include "platform/Exception.h"
#include "platform/Paths.h"

namespace korvane::app {

TWindowLogic::TWindowLogic(IWindowView& view, TableOwner& owner, ConversionOptions options, std::string applicationTitle)
    : FView(view), FOwner(owner), FOptions(std::move(options)), FTitle(std::move(applicationTitle)) {}

void TWindowLogic::ShowStartState() {
    FTablePath.clear();
    FTargetPath.clear();
    FView.SetVisible(Control::b_OpenDBF, true);
    FView.SetText(Control::l_DBF, texts::kNoFileChosen);
    FView.SetText(Control::l_XML, texts::kNothingYet);
    FView.SetVisible(Control::l_XML, false);
    FView.SetVisible(Control::b_XML, false);
    FView.SetVisible(Control::b_Run, false);
    FView.SetGaugeProgress(0);
    FView.SetVisible(Control::Gauge, false);
    FView.SetText(Control::l_Info, texts::kChooseTable);
    FView.SetVisible(Control::l_Info, true);
}

void TWindowLogic::b_OpenDBFClick() {
    if (const std::optional<std::string> chosen = FView.AskTable()) ChooseTable(*chosen);
}

void TWindowLogic::ChooseTable(const std::string& path) {
    // A table chosen again gets a new proposal, also when the user had changed the target.
    FTablePath = path;
    FTargetPath = platform::ChangeFileExt(path, ".xml");
    FView.ShowPath(Control::l_DBF, FTablePath);
    FView.ShowPath(Control::l_XML, FTargetPath);
    FView.SetVisible(Control::l_XML, true);
    FView.SetVisible(Control::b_XML, true);
    FView.SetVisible(Control::l_Info, false);
    FView.SetVisible(Control::b_Run, true);
}

void TWindowLogic::b_XMLClick() {
    if (const std::optional<std::string> chosen = FView.AskTarget(FTargetPath)) {
        FTargetPath = *chosen;
        FView.ShowPath(Control::l_XML, FTargetPath);
    }
}

void TWindowLogic::b_RunClick() {
    EndRun(Convert(FView, FOwner, BeginRun()));
}

RunJob TWindowLogic::BeginRun() const {
    return {FTablePath, FTargetPath, FOptions};
}

RunOutcome TWindowLogic::Convert(IConversionView& view, TableOwner& owner, const RunJob& job) {
    RunOutcome outcome;
    try {
        outcome.converted = RunConversion(view, owner, job.tablePath, job.targetPath, job.options, &outcome.report);
    } catch (...) {
        outcome.error = std::current_exception();
    }
    return outcome;
}

void TWindowLogic::EndRun(const RunOutcome& outcome) {
    if (outcome.error) {
        // Shown as any handler's error is; then the table the run left open is released and
        // the user may go on with another table.
        try {
            std::rethrow_exception(outcome.error);
        } catch (...) {
            ShowCurrentError();
        }
        FOwner.ReleaseAll();
    } else if (outcome.converted) {
        // What the document cannot show is told once the window shows the run finished.
        if (const std::string message = FinishedRunMessage(outcome.report); !message.empty()) FView.ShowMessage(message);
    }
    if (!outcome.converted || outcome.error) ShowStartState();
}

void TWindowLogic::Guarded(const std::function<void()>& handler) {
    // No exception may pass through a toolkit's event loop.
    try {
        handler();
    } catch (...) {
        ShowCurrentError();
    }
}

void TWindowLogic::ShowCurrentError() {
    try {
        throw;
    } catch (const EAbort&) {
        // The silent abort shows nothing.
    } catch (...) {
        FView.ShowError(FTitle, ErrorBoxText(CurrentExceptionMessage()));
    }
}

}  // namespace korvane::app
