#include "app/windows/Dialogs.h"

#include <shlobj.h>
#include <shobjidl.h>

namespace korvane::app::win {

namespace {

// Releases a COM interface at the end of its scope.
template <typename T>
class ComPtr {
public:
    ComPtr() = default;
    ~ComPtr() {
        if (FPointer) FPointer->Release();
    }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    T** Out() { return &FPointer; }
    T* operator->() const { return FPointer; }
    T* Get() const { return FPointer; }

private:
    T* FPointer = nullptr;
};

struct DialogKind {
    bool save;
    const wchar_t* filterName;
    const wchar_t* pattern;
    const wchar_t* extension;
};

// Splits a full path into its folder and its name.
void SetStartingName(IFileDialog& dialog, const std::wstring& path) {
    if (path.empty()) return;
    const std::wstring::size_type slash = path.find_last_of(L"\\/");
    const std::wstring name = slash == std::wstring::npos ? path : path.substr(slash + 1);
    if (slash != std::wstring::npos) {
        ComPtr<IShellItem> folder;
        const std::wstring folderPath = path.substr(0, slash + 1);
        if (SUCCEEDED(SHCreateItemFromParsingName(folderPath.c_str(), nullptr, IID_PPV_ARGS(folder.Out())))) {
            dialog.SetFolder(folder.Get());
        }
    }
    dialog.SetFileName(name.c_str());
}

std::optional<std::wstring> Ask(HWND owner, const DialogKind& kind, std::wstring& kept) {
    ComPtr<IFileDialog> dialog;
    const CLSID& id = kind.save ? CLSID_FileSaveDialog : CLSID_FileOpenDialog;
    if (FAILED(CoCreateInstance(id, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(dialog.Out())))) return std::nullopt;
    const COMDLG_FILTERSPEC filter = {kind.filterName, kind.pattern};
    dialog->SetFileTypes(1, &filter);
    dialog->SetDefaultExtension(kind.extension);
    FILEOPENDIALOGOPTIONS options = 0;
    dialog->GetOptions(&options);
    options &= ~static_cast<FILEOPENDIALOGOPTIONS>(FOS_FILEMUSTEXIST | FOS_OVERWRITEPROMPT);
    dialog->SetOptions(options | FOS_FORCEFILESYSTEM);
    SetStartingName(*dialog.Get(), kept);
    if (FAILED(dialog->Show(owner))) return std::nullopt;  // cancelled
    ComPtr<IShellItem> result;
    if (FAILED(dialog->GetResult(result.Out()))) return std::nullopt;
    PWSTR path = nullptr;
    if (FAILED(result->GetDisplayName(SIGDN_FILESYSPATH, &path))) return std::nullopt;
    kept = path;
    CoTaskMemFree(path);
    return kept;
}

}  // namespace

std::wstring WindowText(HWND window) {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

std::optional<std::wstring> FileDialogs::OpenDBF(HWND owner) {
    return Ask(owner, {false, L"dbf", L"*.dbf", L"dbf"}, FOpenFileName);
}

std::optional<std::wstring> FileDialogs::SaveXML(HWND owner, const std::wstring& current) {
    FSaveFileName = current;
    return Ask(owner, {true, L"xml", L"*.xml", L"xml"}, FSaveFileName);
}

void ShowPlainBox(HWND owner, const std::wstring& text) {
    MessageBoxW(owner, text.c_str(), WindowText(owner).c_str(), MB_OK);
}

void ShowErrorBox(HWND owner, const std::wstring& caption, const std::wstring& text) {
    MessageBoxW(owner, text.c_str(), caption.c_str(), MB_OK | MB_ICONSTOP);
}

}  // namespace korvane::app::win
