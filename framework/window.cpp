#include "window.h"

#include "thunks.h"
#include "window_proc.h"

#include <cstring>

namespace {

// A copy of the text on the heap; nil for nil or empty text.
char* CopyText(LPCSTR text)
{
    if (text == nullptr || text[0] == '\0') {
        return nullptr;
    }
    const std::size_t size = std::strlen(text) + 1;
    char* copy = new char[size];
    std::memcpy(copy, text, size);
    return copy;
}

}  // namespace

Window::Window(WindowObject* parentObject, LPCSTR captionText) : WindowObject(parentObject)
{
    caption = CopyText(captionText);
    style = parentObject == nullptr ? WS_OVERLAPPEDWINDOW : (WS_CHILD | WS_VISIBLE);
    x = CW_USEDEFAULT;
    width = CW_USEDEFAULT;
    previousProc = DefWindowProcA;
}

Window::Window(WindowObject* parentObject, int itemId) : WindowObject(parentObject)
{
    id = itemId;
    AddFlags(AttachToDialogItem);
}

Window::~Window()
{
    // While this is still a Window, so that the destruction's messages reach its handlers
    // and its default processing.
    DestroyHandleAndChildren();
    delete[] caption;
}

void Window::DefaultProc(Message& message)
{
    message.result =
        CallWindowProcA(previousProc, message.window, message.message, message.wParam, message.lParam);
}

void Window::Dispatch(Message& message)
{
    switch (message.message) {
    case WM_CREATE: OnCreate(message); break;
    case WM_MOVE: OnMove(message); break;
    case WM_SIZE: OnSize(message); break;
    case WM_PAINT: OnPaint(message); break;
    case WM_SYSCOMMAND: OnSysCommand(message); break;
    default: WindowObject::Dispatch(message); break;
    }
}

int Window::ControlId()
{
    return id;
}

void Window::FillClassInfo(WNDCLASSA& windowClass)
{
    windowClass.style = CS_VREDRAW | CS_HREDRAW;
    windowClass.lpfnWndProc = CreationHookProc;
    windowClass.cbClsExtra = 0;
    windowClass.cbWndExtra = 0;
    windowClass.hInstance = ModuleInstance();
    windowClass.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1));
    windowClass.lpszMenuName = nullptr;
    windowClass.lpszClassName = ClassName();
}

bool Window::Create()
{
    const HWND parentHandle = parent != nullptr ? parent->handle : nullptr;
    if (HasFlags(AttachToDialogItem)) {
        handle = GetDlgItem(parentHandle, id);
    } else if (RegisterClass()) {
        objectBeingCreated = this;
        CreateHandle(parentHandle);
    }
    // A window of our own class was bound by the creation hook, and AfterCreate ran from
    // its WM_CREATE. Anything else (a system control, a dialog item) is subclassed here,
    // unless another object has it already.
    if (handle != nullptr && ObjectFromHandle(handle) == nullptr) {
        previousProc = ReplaceWindowProc(handle, thunk);
        AfterCreate();
        UpdatePlacement();
    }
    return handle != nullptr;
}

void Window::OnActivate(Message& message)
{
    WindowObject::OnActivate(message);
    if (HasFlags(KeyboardNavigation)) {
        if (LOWORD(message.wParam) != WA_INACTIVE) {
            RestoreFocus();
        } else {
            RememberFocus();
        }
    }
}

void Window::CreateHandle(HWND parentHandle)
{
    handle = CreateWindowExA(exStyle, ClassName(), caption, style, x, y, width, height, parentHandle,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ModuleInstance(),
                             reinterpret_cast<LPVOID>(createParam));
}

void Window::PaintContent(PAINTSTRUCT&)
{
}

void Window::OnCreate(Message& message)
{
    AfterCreate();
    DefaultProc(message);
}

void Window::OnPaint(Message&)
{
    PAINTSTRUCT paint{};
    BeginPaint(handle, &paint);
    PaintContent(paint);
    EndPaint(handle, &paint);
}

void Window::OnMove(Message& message)
{
    UpdatePlacement();
    DefaultProc(message);
}

void Window::OnSize(Message& message)
{
    if (message.wParam == SIZE_RESTORED) {
        RECT rect{};
        GetWindowRect(handle, &rect);
        width = rect.right - rect.left;
        height = rect.bottom - rect.top;
    }
    DefaultProc(message);
}

void Window::OnSysCommand(Message& message)
{
    if (HasFlags(KeyboardNavigation)) {
        const WPARAM command = message.wParam & 0xFFF0;
        if (command == SC_MINIMIZE) {
            RememberFocus();
        } else if (command == SC_RESTORE) {
            RestoreFocus();
        }
    }
    DefaultProc(message);
}

void Window::RememberFocus()
{
    const HWND focus = GetFocus();
    if (focus != nullptr && IsChild(handle, focus)) {
        savedFocus = focus;
    }
}

void Window::RestoreFocus()
{
    if (savedFocus != nullptr && IsWindow(savedFocus) && !IsIconic(handle)) {
        SetFocus(savedFocus);
    }
}

void Window::UpdatePlacement()
{
    if (IsIconic(handle) || IsZoomed(handle)) {
        return;
    }
    RECT rect{};
    if (!GetWindowRect(handle, &rect)) {
        return;
    }
    width = rect.right - rect.left;
    height = rect.bottom - rect.top;
    POINT corner{rect.left, rect.top};
    if (parent != nullptr && (style & WS_CHILD) != 0) {
        ScreenToClient(parent->handle, &corner);
    }
    x = corner.x;
    y = corner.y;
}
