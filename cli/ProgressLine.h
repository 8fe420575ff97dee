// The command line's progress line: the conversion's view on standard error.
#pragma once

#include <chrono>
#include <ostream>
#include <string>

#include "cli/Messages.h"
#include "conversion/ConversionView.h"
#include "platform/SignalCleanup.h"

namespace korvane::cli {

using Clock = std::chrono::steady_clock;

// The command line's view of the run: one progress line per table on standard error.
class CliView : public IConversionView {
public:
    CliView(std::ostream& err, bool progress, std::string label) : FErr(err), FProgress(progress), FLabel(std::move(label)) {}
    ~CliView() override { EndLine(); }

    void SetVisible(Control, bool) override {}
    void SetText(Control, const std::string&) override {}
    void SetGaugeRange(int, int maxValue) override {
        FTotal = maxValue;
        FStart = Clock::now();
    }
    void SetRecordNumber(int recordNumber) override { FVisited = recordNumber; }
    void SetGaugeProgress(int rows) override {
        FRows = rows;
        // Every 64 rows: a signal held back while another table's document replaced its
        // target gives this table up; the clock is asked, and the line drawn at most ten
        // times a second.
        if ((FCalls++ & 63) != 0) return;
        if (platform::EndingSignal() != 0) throw platform::EInterrupted();
        if (!FProgress) return;
        const Clock::time_point now = Clock::now();
        if (FDrawn && now - FLastDraw < std::chrono::milliseconds(100)) return;
        FLastDraw = now;
        Draw(now);
    }
    void ShowMessage(const std::string& text) override { FMessage = text; }

    // The walk reached the end of the table: the line shows it whole.
    void Finish() {
        FFinished = true;
        if (FDrawn) {
            FVisited = std::max(FVisited, FTotal);
            Draw(Clock::now());
        }
        EndLine();
    }
    void EndLine() {
        if (!FDrawn) return;
        const platform::LineWrite writing;
        FErr << '\n' << std::flush;
        FDrawn = false;
        platform::SetLineEndOnSignal(false);
    }
    const std::string& Message() const { return FMessage; }

private:
    void Draw(Clock::time_point now) {
        // Before the walk has a range it has done nothing; a table without records is done
        // when it finishes.
        const int percent = FTotal > 0 ? static_cast<int>(100LL * std::clamp(FVisited, 0, FTotal) / FTotal) : FFinished ? 100 : 0;
        const double elapsed = std::chrono::duration<double>(now - FStart).count();
        std::string line = "dbf2xml: " + FLabel + "  " + std::to_string(percent) + " %  " + Plural(FRows, "row", "rows") + "  " +
                           Seconds(elapsed);
        if (percent > 0 && percent < 100) line += ", about " + Seconds(elapsed * (100 - percent) / percent) + " left";
        if (line == FLine) return;
        // Blanks cover what a longer line before left.
        std::string shown = line;
        if (shown.size() < FLine.size()) shown.append(FLine.size() - shown.size(), ' ');
        FLine = line;
        // A signal ends the line once it is drawn.
        const platform::LineWrite writing;
        platform::SetLineEndOnSignal(true);
        FErr << '\r' << shown << std::flush;
        FDrawn = true;
    }

    std::ostream& FErr;
    bool FProgress;
    std::string FLabel;
    int FTotal = 0;
    int FVisited = 0;
    int FRows = 0;
    unsigned FCalls = 0;
    bool FDrawn = false;
    bool FFinished = false;
    std::string FLine;
    Clock::time_point FStart = Clock::now();
    Clock::time_point FLastDraw;
    std::string FMessage;
};

}  // namespace korvane::cli
