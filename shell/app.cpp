#include "shell/app.h"
#include "resources/resource.h"
#include "shell/base_wnd.h"

namespace {
HINSTANCE instanceHandle = nullptr;

WideString& ClassNameStorage() {
    static WideString className;
    return className;
}
}  // namespace

HINSTANCE AppInstance() { return instanceHandle; }

const WideString& AppClassName() { return ClassNameStorage(); }

void RegisterWindowClass(HINSTANCE instance, const wchar_t* className) {
    instanceHandle = instance;
    ClassNameStorage().Assign(className);

    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.style = CS_HREDRAW | CS_VREDRAW;  // no CS_DBLCLKS: a double click arrives as two clicks
    wc.lpfnWndProc = BaseWnd::WndProc;
    wc.cbClsExtra = 0;
    wc.cbWndExtra = 4;
    wc.hInstance = instance;
    wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_VUEMERE));
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszMenuName = MAKEINTRESOURCEW(IDC_VUEMERE);
    wc.lpszClassName = ClassNameStorage().c_str();
    // LoadIconW would give the large size, shrunk for the caption: ask for the small one.
    wc.hIconSm = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_SMALL), IMAGE_ICON,
                                               GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON),
                                               LR_DEFAULTCOLOR | LR_SHARED));
    RegisterClassExW(&wc);
}

void ReadDlgItemText(HWND dialog, int id, WideString& text) {
    LRESULT length = SendDlgItemMessageW(dialog, id, WM_GETTEXTLENGTH, 0, 0);
    if (length < 0) length = 0;
    text.Reserve(static_cast<size_t>(length) + 1);
    LRESULT copied = SendDlgItemMessageW(dialog, id, WM_GETTEXT, text.Capacity() + 1,
                                         reinterpret_cast<LPARAM>(text.Data()));
    text.SetLength(copied > 0 ? static_cast<size_t>(copied) : 0);
}
