#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <algorithm>

#include "internal/wide_win32.h"
#include "platform/tray_window.h"

namespace dravanta {

struct TrayWindow {
  HWND window = nullptr;
  TrayCallbacks callbacks;
  NOTIFYICONDATAW icon = {};
  bool icon_added = false;
  uint32_t callback_message = 0;
};

namespace {

constexpr wchar_t kClassName[] = L"DravantaTrayWindow";
constexpr int kProgramIcon = 128;

LRESULT CALLBACK TrayWindowProcedure(HWND window, UINT message, WPARAM w, LPARAM l) {
  auto* tray = reinterpret_cast<TrayWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (tray != nullptr) {
    if (tray->callback_message != 0 && message == tray->callback_message) {
      // The icon's identifier in the first parameter, the mouse message in
      // the low word of the second.
      if (tray->callbacks.notification != nullptr) {
        tray->callbacks.notification(tray->callbacks.context, static_cast<uint32_t>(w),
                                     static_cast<uint32_t>(LOWORD(l)));
      }
      return 0;
    }
    if (message == WM_COMMAND && HIWORD(w) == 0) {  // from a menu
      if (tray->callbacks.command != nullptr) {
        tray->callbacks.command(tray->callbacks.context, static_cast<uint32_t>(LOWORD(w)));
      }
      return 0;
    }
  }
  return DefWindowProcW(window, message, w, l);
}

bool RegisterTrayClass() {
  static const bool registered = [] {
    WNDCLASSEXW type = {};
    type.cbSize = sizeof type;
    type.lpfnWndProc = TrayWindowProcedure;
    type.hInstance = GetModuleHandleW(nullptr);
    type.lpszClassName = kClassName;
    return RegisterClassExW(&type) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
  }();
  return registered;
}

HICON ProgramIcon() {
  HICON icon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kProgramIcon));
  return icon != nullptr ? icon : LoadIconW(nullptr, IDI_APPLICATION);
}

}  // namespace

TrayWindow* OpenTrayWindow(TrayCallbacks callbacks) {
  if (!RegisterTrayClass()) return nullptr;
  // A message-only window: never shown, but it receives the icon's
  // notifications and the menu's commands.
  const HWND window = CreateWindowExW(0, kClassName, L"Dravanta Client", 0, 0, 0, 0, 0,
                                      HWND_MESSAGE, nullptr, GetModuleHandleW(nullptr), nullptr);
  if (window == nullptr) return nullptr;
  auto* tray = new TrayWindow;
  tray->window = window;
  tray->callbacks = callbacks;
  SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(tray));
  return tray;
}

bool AddNotificationIcon(TrayWindow* tray, uint32_t icon_id, uint32_t callback_message,
                         std::u16string_view tooltip) {
  if (tray == nullptr || tray->icon_added) return false;
  NOTIFYICONDATAW& icon = tray->icon;
  icon = {};
  icon.cbSize = sizeof icon;
  icon.hWnd = tray->window;
  icon.uID = icon_id;
  icon.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  icon.uCallbackMessage = callback_message;
  icon.hIcon = ProgramIcon();
  const size_t length = std::min<size_t>(tooltip.size(), ARRAYSIZE(icon.szTip) - 1);
  std::copy_n(tooltip.data(), length, reinterpret_cast<char16_t*>(icon.szTip));
  icon.szTip[length] = L'\0';
  tray->callback_message = callback_message;
  tray->icon_added = Shell_NotifyIconW(NIM_ADD, &icon) != FALSE;
  return tray->icon_added;
}

void RemoveNotificationIcon(TrayWindow* tray) {
  if (tray == nullptr || !tray->icon_added) return;
  Shell_NotifyIconW(NIM_DELETE, &tray->icon);
  tray->icon_added = false;
}

void ShowNotificationMenu(TrayWindow* tray, const std::vector<TrayMenuEntry>& entries) {
  if (tray == nullptr) return;
  const HMENU menu = CreatePopupMenu();
  if (menu == nullptr) return;
  for (const TrayMenuEntry& entry : entries) {
    if (entry.command == 0) {
      AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    } else {
      AppendMenuW(menu, MF_STRING, entry.command, WideOf(entry.text));
    }
  }
  POINT cursor = {};
  GetCursorPos(&cursor);
  // Without the foreground the menu would not close when the user clicks
  // elsewhere; the empty message afterwards lets it close properly.
  SetForegroundWindow(tray->window);
  TrackPopupMenu(menu, TPM_RIGHTBUTTON | TPM_BOTTOMALIGN, cursor.x, cursor.y, 0, tray->window,
                 nullptr);
  PostMessageW(tray->window, WM_NULL, 0, 0);
  DestroyMenu(menu);
}

void DispatchTrayMessages(TrayWindow* tray) {
  if (tray == nullptr) return;
  MSG message;
  // Bounded: messages posted while dispatching wait for the next call.
  for (int i = 0; i < 64 && PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE); ++i) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

void CloseTrayWindow(TrayWindow* tray) {
  if (tray == nullptr) return;
  RemoveNotificationIcon(tray);
  SetWindowLongPtrW(tray->window, GWLP_USERDATA, 0);
  DestroyWindow(tray->window);
  delete tray;
}

}  // namespace dravanta
