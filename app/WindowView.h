// What the window logic needs of a toolkit: the run's view, paths in labels, the file dialogs
// and the application's error box.
#pragma once

#include <optional>
#include <string>

#include "conversion/ConversionView.h"

namespace korvane::app {

// Texts and paths are UTF-8 (on Linux: the file name bytes as they are).
class IWindowView : public IConversionView {
public:
    // Shows a path in `l_DBF` or `l_XML`; a view may elide a long one.
    virtual void ShowPath(Control label, const std::string& path) = 0;
    // The open dialog: the chosen table (a full path), or nothing when cancelled.
    virtual std::optional<std::string> AskTable() = 0;
    // The save dialog opened on `current`: the chosen target ("xml" added to a name without
    // extension), or nothing when cancelled.
    virtual std::optional<std::string> AskTarget(const std::string& current) = 0;
    // The application's error box: a stop icon, `caption`, the text and an OK button.
    virtual void ShowError(const std::string& caption, const std::string& text) = 0;
};

}  // namespace korvane::app
