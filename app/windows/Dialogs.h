// The standard open and save dialogs (IFileOpenDialog, IFileSaveDialog) and the message boxes.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace korvane::app::win {

// The dialogs keep their chosen file name between uses.
class FileDialogs {
public:
    // The table: filter "dbf" (*.dbf), default extension "dbf"; a name that does not exist is
    // accepted (the run reports it).
    std::optional<std::wstring> OpenDBF(HWND owner);
    // The target, starting from `current`: filter "xml" (*.xml), default extension "xml"; an
    // existing file is chosen without a question (it is replaced without one).
    std::optional<std::wstring> SaveXML(HWND owner, const std::wstring& current);

private:
    std::wstring FOpenFileName;
    std::wstring FSaveFileName;
};

// The text of a window or control (a caption, a label, a button).
std::wstring WindowText(HWND window);
// A plain message box with an OK button, captioned as the window is.
void ShowPlainBox(HWND owner, const std::wstring& text);
// The application's error box: a stop icon, the caption, an OK button.
void ShowErrorBox(HWND owner, const std::wstring& caption, const std::wstring& text);

}  // namespace korvane::app::win
