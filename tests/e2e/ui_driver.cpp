// Drives the real program from outside, the way a user would: finds its
// windows by caption and its controls by id, types, presses, answers message
// boxes, reads texts back and takes screenshots. Run under Wine in the same
// prefix as the program; the test runner hands it a script, one command a
// line, and reads what it prints.
//
//   start PATH                 start the program
//   wait-window CAPTION        wait until a top-level window has that caption
//   answer CAPTION yes|no|ok   wait for a message box, print its text, press the button
//   text CAPTION ID            print a control's text
//   type CAPTION ID TEXT       set a control's text (the rest of the line)
//   click CAPTION ID           press a button
//   key CAPTION ID VK          press a key (decimal virtual-key code) in a control
//   type-key CAPTION ID VK     deliver a key's down, character and up to a control
//   mouse CAPTION ID           move the mouse onto a control and click it
//   hover CAPTION ID           move the mouse onto a control
//   syscommand CAPTION N       send a system-menu command
//   rows CAPTION ID            print a list view's rows, columns 1.. joined by "|"
//   cell CAPTION ID ROW COL click|double   click or double-click a list cell
//   header-click CAPTION ID COL            click a list's column header
//   header-image CAPTION ID COL            print a list header item's image index
//   select CAPTION ID FROM TO  select characters of an edit control
//   focus CAPTION ID           bring the window to the front, focus the control
//   ctrl-key VK                press Ctrl+key as real keyboard input
//   clipboard                  print the clipboard's text
//   close CAPTION              press the window's close box
//   screenshot PATH            save the screen as a BMP file
//   wait-gone CAPTION          wait until no window has that caption
//   no-window MS CAPTION       fail if a window with that caption shows within MS milliseconds
//   delete PATH                delete a file
//   wait-exit                  wait for the program to end, print its exit code
//   wait-file PATH             wait until a file exists
//   end-program                end the program as the task manager ends a program
//                              that hangs (an error when it has already ended)
//
// Every wait is bounded (30 s, times NORDA_E2E_TIME_FACTOR when the program
// runs slower, as an emulated one does); a command that fails prints
// "error: ..." and ends the driver with exit code 1.
#include <windows.h>
#include <commctrl.h>

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr DWORD kPollMilliseconds = 50;

DWORD WaitBound() {
  wchar_t factor[16] = {};
  const DWORD n = GetEnvironmentVariableW(L"NORDA_E2E_TIME_FACTOR", factor, 16);
  const unsigned long times = n > 0 && n < 16 ? std::wcstoul(factor, nullptr, 10) : 0;
  return 30000 * static_cast<DWORD>(times > 0 ? times : 1);
}
const DWORD kWaitMilliseconds = WaitBound();

HANDLE g_program = nullptr;

std::wstring Widen(const std::string& utf8) {
  const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
  return out;
}

std::string Narrow(const std::wstring& text) {
  const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                    nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr,
                      nullptr);
  return out;
}

// Control characters become escapes, so that one text is one output line.
std::string Printable(const std::wstring& text) {
  std::string out;
  for (char c : Narrow(text)) {
    if (c == '\r') out += "\\r";
    else if (c == '\n') out += "\\n";
    else if (c == '\t') out += "\\t";
    else out += c;
  }
  return out;
}

std::wstring Unescape(const std::wstring& text) {
  std::wstring out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == L'\\' && i + 1 < text.size()) {
      const wchar_t next = text[++i];
      out += next == L'n' ? L'\n' : next == L'r' ? L'\r' : next == L't' ? L'\t' : next;
    } else {
      out += text[i];
    }
  }
  return out;
}

[[noreturn]] void Fail(const std::string& message) {
  std::printf("error: %s\n", message.c_str());
  std::fflush(stdout);
  std::exit(1);
}

std::wstring ControlText(HWND control) {
  DWORD_PTR length = 0;
  SendMessageTimeoutW(control, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &length);
  std::vector<wchar_t> buffer(length + 1, L'\0');
  DWORD_PTR ignored = 0;
  SendMessageTimeoutW(control, WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(buffer.data()),
                      SMTO_ABORTIFHUNG, 5000, &ignored);
  return buffer.data();
}

struct Search {
  std::wstring caption;
  bool messageBoxOnly;
  HWND found;
};

BOOL CALLBACK FindTopLevel(HWND window, LPARAM data) {
  auto* search = reinterpret_cast<Search*>(data);
  if (!IsWindowVisible(window)) return TRUE;
  wchar_t caption[512] = {};
  GetWindowTextW(window, caption, 512);
  if (search->caption != caption) return TRUE;
  // A message box is a dialog whose message is the static control 0xFFFF.
  if (search->messageBoxOnly && !GetDlgItem(window, 0xFFFF)) return TRUE;
  search->found = window;
  return FALSE;
}

HWND FindWindowByCaption(const std::wstring& caption, bool messageBoxOnly) {
  Search search{caption, messageBoxOnly, nullptr};
  EnumWindows(FindTopLevel, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// Every wait: polls until done() holds; false when the bound passed first.
template <typename Done>
bool Poll(Done done, DWORD bound = kWaitMilliseconds) {
  for (const DWORD start = GetTickCount(); !done(); Sleep(kPollMilliseconds)) {
    if (GetTickCount() - start >= bound) return false;
  }
  return true;
}

HWND WaitFor(const std::wstring& caption, bool messageBoxOnly) {
  HWND window = nullptr;
  const bool found = Poll([&] {
    if ((window = FindWindowByCaption(caption, messageBoxOnly))) return true;
    if (g_program && WaitForSingleObject(g_program, 0) == WAIT_OBJECT_0) {
      Fail("the program ended while waiting for \"" + Narrow(caption) + "\"");
    }
    return false;
  });
  if (!found) Fail("no window \"" + Narrow(caption) + "\"");
  return window;
}

HWND Control(const std::wstring& caption, int id) {
  HWND window = WaitFor(caption, false);
  HWND control = GetDlgItem(window, id);
  if (!control) Fail("no control " + std::to_string(id) + " in \"" + Narrow(caption) + "\"");
  return control;
}

// Paints every visible window of the other processes now and waits until
// they have: a dialog that was just shown may not have painted its controls
// yet on a loaded machine.
BOOL CALLBACK RepaintIfOthers(HWND window, LPARAM) {
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (process != GetCurrentProcessId() && IsWindowVisible(window)) {
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
  }
  return TRUE;
}

void RepaintOtherWindows() { EnumWindows(RepaintIfOthers, 0); }

void Screenshot(const std::wstring& path) {
  const int width = GetSystemMetrics(SM_CXVIRTUALSCREEN), height = GetSystemMetrics(SM_CYVIRTUALSCREEN);
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, screen, GetSystemMetrics(SM_XVIRTUALSCREEN),
         GetSystemMetrics(SM_YVIRTUALSCREEN), SRCCOPY);
  GdiFlush();
  const DWORD stride = ((static_cast<DWORD>(width) * 3 + 3) & ~3u);
  const DWORD imageSize = stride * static_cast<DWORD>(height);
  BITMAPFILEHEADER file = {};
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof file + sizeof info.bmiHeader;
  file.bfSize = file.bfOffBits + imageSize;
  std::ofstream out(path.c_str(), std::ios::binary);
  out.write(reinterpret_cast<const char*>(&file), sizeof file);
  out.write(reinterpret_cast<const char*>(&info.bmiHeader), sizeof info.bmiHeader);
  out.write(static_cast<const char*>(bits), imageSize);
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  if (!out) Fail("cannot write " + Narrow(path));
}

// LVITEMW and HDITEMW as a 32-bit program lays them out: the 32-bit build reads
// what a 64-bit driver writes with 4-byte pointers.
struct ListItem32 {
  UINT mask;
  int iItem, iSubItem;
  UINT state, stateMask;
  UINT32 pszText;
  int cchTextMax, iImage;
  UINT32 lParam;
  int iIndent, iGroupId;
  UINT cColumns;
  UINT32 puColumns, piColFmt;
  int iGroup;
};
struct HeaderItem32 {
  UINT mask;
  int cxy;
  UINT32 pszText, hbm;
  int cchTextMax, fmt;
  UINT32 lParam;
  int iImage, iOrder;
  UINT type;
  UINT32 pvFilter;
  UINT state;
};
// Where the driver itself is 32-bit, the system's own layouts prove the copies.
static_assert(sizeof(void*) == 8 || (sizeof(ListItem32) == sizeof(LVITEMW) &&
                                     offsetof(ListItem32, cchTextMax) == offsetof(LVITEMW, cchTextMax)));
static_assert(sizeof(void*) == 8 || (sizeof(HeaderItem32) == sizeof(HDITEMW) &&
                                     offsetof(HeaderItem32, iImage) == offsetof(HDITEMW, iImage)));

// Memory in the program's process: list and header messages that take a
// pointer need it there. It is one section, seen by the driver through a view
// of its own and by the program through a view mapped into its process, so
// the driver never writes into the other process's memory: under a user-mode
// emulator of the 32-bit program, the program's addresses are not the ones
// of its host process, and such writes land beside it.
class RemoteBuffer {
 public:
  RemoteBuffer(HWND window, size_t size) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    if (!process_) Fail("cannot open the program's process");
    BOOL wow64 = FALSE;
    thirtyTwoBit_ = sizeof(void*) == 8 && IsWow64Process(process_, &wow64) && wow64;
    section_ = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, static_cast<DWORD>(size), nullptr);
    if (section_) local_ = MapViewOfFile(section_, FILE_MAP_ALL_ACCESS, 0, 0, size);
    SIZE_T viewSize = 0;
    if (!local_ || MapView()(section_, process_, &remote_, 0, 0, nullptr, &viewSize, kViewUnmap, 0,
                             PAGE_READWRITE) != 0) {
      Fail("cannot share memory with the program's process");
    }
  }
  ~RemoteBuffer() {
    if (remote_) UnmapView()(process_, remote_);
    if (local_) UnmapViewOfFile(local_);
    if (section_) CloseHandle(section_);
    CloseHandle(process_);
  }
  LPARAM Address() const { return reinterpret_cast<LPARAM>(remote_); }
  // True when the program is 32-bit and the driver is not: structures that
  // hold pointers must then have the 32-bit layout.
  bool ThirtyTwoBit() const { return thirtyTwoBit_; }
  void Write(const void* data, size_t size, size_t offset = 0) {
    std::memcpy(static_cast<char*>(local_) + offset, data, size);
  }
  void Read(void* data, size_t size, size_t offset = 0) const {
    std::memcpy(data, static_cast<const char*>(local_) + offset, size);
  }

 private:
  // The system's own calls that map a view into another process.
  static constexpr DWORD kViewUnmap = 2;
  using MapViewFunction = LONG(WINAPI*)(HANDLE, HANDLE, void**, ULONG_PTR, SIZE_T, LARGE_INTEGER*, SIZE_T*, DWORD,
                                        ULONG, ULONG);
  using UnmapViewFunction = LONG(WINAPI*)(HANDLE, void*);
  static MapViewFunction MapView() { return reinterpret_cast<MapViewFunction>(Ntdll("NtMapViewOfSection")); }
  static UnmapViewFunction UnmapView() { return reinterpret_cast<UnmapViewFunction>(Ntdll("NtUnmapViewOfSection")); }
  static void* Ntdll(const char* name) {
    void* function = reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), name));
    if (!function) Fail(std::string("no ") + name);
    return function;
  }

  HANDLE process_ = nullptr;
  HANDLE section_ = nullptr;
  void* local_ = nullptr;
  void* remote_ = nullptr;
  bool thirtyTwoBit_ = false;
};

std::wstring ListCellText(HWND list, int row, int column) {
  constexpr int kChars = 1024;
  RemoteBuffer remote(list, sizeof(LVITEMW) + kChars * sizeof(wchar_t));
  const LPARAM text = remote.Address() + sizeof(LVITEMW);
  auto ask = [&](auto item, auto pointer) {
    item.iSubItem = column;
    item.cchTextMax = kChars;
    item.pszText = pointer;
    remote.Write(&item, sizeof item);
    return SendMessageW(list, LVM_GETITEMTEXTW, row, remote.Address());
  };
  const LRESULT n = remote.ThirtyTwoBit() ? ask(ListItem32{}, static_cast<UINT32>(text))
                                          : ask(LVITEMW{}, reinterpret_cast<wchar_t*>(text));
  std::wstring result(static_cast<size_t>(n), L'\0');
  if (n > 0) remote.Read(result.data(), static_cast<size_t>(n) * sizeof(wchar_t), sizeof(LVITEMW));
  return result;
}

RECT ListRowRect(HWND list, int row) {
  RemoteBuffer remote(list, sizeof(RECT));
  RECT r = {LVIR_BOUNDS, 0, 0, 0};
  remote.Write(&r, sizeof r);
  if (!SendMessageW(list, LVM_GETITEMRECT, row, remote.Address())) Fail("no row " + std::to_string(row));
  remote.Read(&r, sizeof r);
  return r;
}

// The middle of a column in list client coordinates (no scrolling).
int ColumnMiddle(HWND list, int column) {
  int left = 0;
  for (int i = 0; i < column; ++i) left += static_cast<int>(SendMessageW(list, LVM_GETCOLUMNWIDTH, i, 0));
  return left + static_cast<int>(SendMessageW(list, LVM_GETCOLUMNWIDTH, column, 0)) / 2;
}

HWND HeaderOf(HWND list) { return reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0)); }

// Sent, not posted, so that the click has been handled when the next command
// looks at its effect.
void Deliver(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  DWORD_PTR ignored = 0;
  if (!SendMessageTimeoutW(window, message, wParam, lParam, SMTO_NORMAL, kWaitMilliseconds, &ignored)) {
    Fail("the program did not take message " + std::to_string(message));
  }
}

void Click(HWND window, POINT at, bool twice) {
  POINT screen = at;
  ClientToScreen(window, &screen);
  SetCursorPos(screen.x, screen.y);
  const LPARAM where = MAKELPARAM(at.x, at.y);
  Deliver(window, WM_MOUSEMOVE, 0, where);
  Deliver(window, WM_LBUTTONDOWN, MK_LBUTTON, where);
  Deliver(window, WM_LBUTTONUP, 0, where);
  if (twice) {
    Deliver(window, WM_LBUTTONDBLCLK, MK_LBUTTON, where);
    Deliver(window, WM_LBUTTONUP, 0, where);
  }
}

// A key as the message loop hands it on: down, its character, up.
void TypeKey(HWND window, WPARAM vk) {
  Deliver(window, WM_KEYDOWN, vk, 1);
  if (const UINT c = MapVirtualKeyW(static_cast<UINT>(vk), MAPVK_VK_TO_CHAR) & 0x7FFF) {
    Deliver(window, WM_CHAR, (c >= 'A' && c <= 'Z') ? c + ('a' - 'A') : c, 1);
  }
  Deliver(window, WM_KEYUP, vk, 0xC0000001);
}

int HeaderImage(HWND header, int column) {
  RemoteBuffer remote(header, sizeof(HDITEMW));
  auto image = [&](auto item) {
    item.mask = HDI_IMAGE;
    remote.Write(&item, sizeof item);
    if (!SendMessageW(header, HDM_GETITEMW, column, remote.Address())) Fail("no header item");
    remote.Read(&item, sizeof item);
    return item.iImage;
  };
  return remote.ThirtyTwoBit() ? image(HeaderItem32{}) : image(HDITEMW{});
}

void PressWithControl(WORD key) {
  INPUT inputs[4] = {};
  const WORD keys[4] = {VK_CONTROL, key, key, VK_CONTROL};
  for (int i = 0; i < 4; ++i) {
    inputs[i].type = INPUT_KEYBOARD;
    inputs[i].ki.wVk = keys[i];
    inputs[i].ki.dwFlags = i >= 2 ? KEYEVENTF_KEYUP : 0;
  }
  if (SendInput(4, inputs, sizeof(INPUT)) != 4) Fail("cannot send keyboard input");
}

// The clipboard's text, waiting for some to arrive.
std::wstring ClipboardText() {
  std::wstring text;
  Poll([&] {
    if (OpenClipboard(nullptr)) {
      if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* chars = static_cast<const wchar_t*>(GlobalLock(data))) {
          text = chars;
          GlobalUnlock(data);
        }
      }
      CloseClipboard();
    }
    return !text.empty();
  });
  return text;
}

void MouseOn(HWND control, bool click) {
  RECT r;
  GetWindowRect(control, &r);
  const POINT centre = {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  SetCursorPos(centre.x, centre.y);
  POINT client = centre;
  ScreenToClient(control, &client);
  const LPARAM at = MAKELPARAM(client.x, client.y);
  PostMessageW(control, WM_MOUSEMOVE, 0, at);
  if (click) {
    PostMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageW(control, WM_LBUTTONUP, 0, at);
  }
}

// Splits "command arg1 arg2 rest..." into at most count words, the last one
// taking the rest of the line. A quoted word may hold blanks.
std::vector<std::wstring> Words(const std::wstring& line, size_t count) {
  std::vector<std::wstring> words;
  size_t i = 0;
  while (i < line.size() && words.size() + 1 < count) {
    while (i < line.size() && line[i] == L' ') ++i;
    if (i >= line.size()) break;
    std::wstring word;
    if (line[i] == L'"') {
      const size_t end = line.find(L'"', i + 1);
      word = line.substr(i + 1, end == std::wstring::npos ? std::wstring::npos : end - i - 1);
      i = end == std::wstring::npos ? line.size() : end + 1;
    } else {
      const size_t end = line.find(L' ', i);
      word = line.substr(i, end == std::wstring::npos ? std::wstring::npos : end - i);
      i = end == std::wstring::npos ? line.size() : end;
    }
    words.push_back(word);
  }
  if (i < line.size()) {
    while (i < line.size() && line[i] == L' ') ++i;
    std::wstring rest = line.substr(i);
    if (rest.size() >= 2 && rest.front() == L'"' && rest.back() == L'"') rest = rest.substr(1, rest.size() - 2);
    words.push_back(rest);
  }
  return words;
}

void Run(const std::wstring& line) {
  const std::vector<std::wstring> w = Words(line, 6);
  if (w.empty()) return;
  const std::wstring& command = w[0];
  auto arg = [&](size_t i) -> const std::wstring& {
    if (i >= w.size()) Fail("missing argument in: " + Narrow(line));
    return w[i];
  };
  auto id = [&](size_t i) { return std::stoi(Narrow(arg(i))); };
  if (command == L"start") {
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    std::wstring commandLine = L"\"" + arg(1) + L"\"";
    if (!CreateProcessW(arg(1).c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
      Fail("cannot start " + Narrow(arg(1)));
    }
    CloseHandle(process.hThread);
    g_program = process.hProcess;
  } else if (command == L"wait-window") {
    WaitFor(Words(line, 2).at(1), false);
  } else if (command == L"answer") {
    const std::vector<std::wstring> a = Words(line, 3);
    if (a.size() < 3) Fail("answer needs a caption and a button");
    HWND box = WaitFor(a[1], true);
    std::printf("box: %s\n", Printable(ControlText(GetDlgItem(box, 0xFFFF))).c_str());
    const int button = a[2] == L"yes" ? IDYES : a[2] == L"no" ? IDNO : IDOK;
    HWND control = GetDlgItem(box, button);
    if (!control) Fail("the message box has no such button");
    PostMessageW(control, BM_CLICK, 0, 0);
    Poll([&] { return !IsWindow(box); });
  } else if (command == L"text") {
    std::printf("text %d: %s\n", id(2), Printable(ControlText(Control(arg(1), id(2)))).c_str());
  } else if (command == L"type") {
    const std::vector<std::wstring> t = Words(line, 4);
    const std::wstring text = Unescape(t.size() > 3 ? t[3] : L"");
    SendMessageW(Control(arg(1), id(2)), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
  } else if (command == L"click") {
    PostMessageW(Control(arg(1), id(2)), BM_CLICK, 0, 0);
  } else if (command == L"key") {
    HWND control = Control(arg(1), id(2));
    const WPARAM vk = static_cast<WPARAM>(std::stoi(Narrow(arg(3))));
    PostMessageW(control, WM_KEYDOWN, vk, 1);
    PostMessageW(control, WM_KEYUP, vk, 0xC0000001);
  } else if (command == L"mouse" || command == L"hover") {
    MouseOn(Control(arg(1), id(2)), command == L"mouse");
  } else if (command == L"type-key") {
    TypeKey(Control(arg(1), id(2)), static_cast<WPARAM>(id(3)));
  } else if (command == L"rows") {
    HWND list = Control(arg(1), id(2));
    const int rows = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    const int columns = static_cast<int>(SendMessageW(HeaderOf(list), HDM_GETITEMCOUNT, 0, 0));
    std::printf("rows %d\n", rows);
    for (int row = 0; row < rows; ++row) {
      std::wstring text;
      for (int column = 1; column < columns; ++column) text += (column > 1 ? L"|" : L"") + ListCellText(list, row, column);
      std::printf("row %d: %s\n", row, Printable(text).c_str());
    }
  } else if (command == L"cell") {
    HWND list = Control(arg(1), id(2));
    const RECT row = ListRowRect(list, id(3));
    Click(list, {ColumnMiddle(list, id(4)), (row.top + row.bottom) / 2}, arg(5) == L"double");
  } else if (command == L"header-click") {
    HWND list = Control(arg(1), id(2));
    RECT client;
    GetClientRect(HeaderOf(list), &client);
    Click(HeaderOf(list), {ColumnMiddle(list, id(3)), client.bottom / 2}, false);
  } else if (command == L"header-image") {
    std::printf("header-image %d: %d\n", id(3), HeaderImage(HeaderOf(Control(arg(1), id(2))), id(3)));
  } else if (command == L"select") {
    SendMessageW(Control(arg(1), id(2)), EM_SETSEL, static_cast<WPARAM>(id(3)), id(4));
  } else if (command == L"focus") {
    HWND control = Control(arg(1), id(2));
    const DWORD theirs = GetWindowThreadProcessId(control, nullptr), ours = GetCurrentThreadId();
    AttachThreadInput(ours, theirs, TRUE);
    SetForegroundWindow(GetAncestor(control, GA_ROOT));
    SetFocus(control);
    AttachThreadInput(ours, theirs, FALSE);
  } else if (command == L"ctrl-key") {
    PressWithControl(static_cast<WORD>(id(1)));
  } else if (command == L"clipboard") {
    std::printf("clipboard: %s\n", Printable(ClipboardText()).c_str());
  } else if (command == L"syscommand") {
    PostMessageW(WaitFor(arg(1), false), WM_SYSCOMMAND, static_cast<WPARAM>(id(2)), 0);
  } else if (command == L"close") {
    PostMessageW(WaitFor(Words(line, 2).at(1), false), WM_SYSCOMMAND, SC_CLOSE, 0);
  } else if (command == L"screenshot") {
    RepaintOtherWindows();
    Sleep(100);  // let the last paint reach the screen
    Screenshot(Words(line, 2).at(1));
  } else if (command == L"wait-gone") {
    const std::wstring caption = Words(line, 2).at(1);
    if (!Poll([&] { return !FindWindowByCaption(caption, false); })) Fail("still there: " + Narrow(caption));
  } else if (command == L"no-window") {
    const std::vector<std::wstring> a = Words(line, 3);
    if (Poll([&] { return FindWindowByCaption(a.at(2), false) != nullptr; }, std::stoul(Narrow(a.at(1))))) {
      Fail("unexpected window: " + Narrow(a.at(2)));
    }
  } else if (command == L"delete") {
    const std::wstring path = Words(line, 2).at(1);
    if (!DeleteFileW(path.c_str())) Fail("cannot delete " + Narrow(path));
  } else if (command == L"wait-exit") {
    if (!g_program || WaitForSingleObject(g_program, kWaitMilliseconds) != WAIT_OBJECT_0) {
      Fail("the program did not end");
    }
    DWORD code = 0;
    GetExitCodeProcess(g_program, &code);
    std::printf("exit %lu\n", code);
  } else if (command == L"wait-file") {
    const std::wstring path = Words(line, 2).at(1);
    if (!Poll([&] { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; })) {
      Fail("no file " + Narrow(path));
    }
  } else if (command == L"end-program") {
    if (!g_program || WaitForSingleObject(g_program, 0) == WAIT_OBJECT_0) Fail("the program has already ended");
    TerminateProcess(g_program, 1);
  } else {
    Fail("unknown command: " + Narrow(command));
  }
  std::fflush(stdout);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: ui_driver SCRIPT\n");
    return 2;
  }
  std::ifstream script(argv[1], std::ios::binary);
  if (!script) Fail("cannot read the script");
  std::string line;
  while (std::getline(script, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    std::printf("> %s\n", line.c_str());
    Run(Widen(line));
  }
  std::printf("done\n");
  return 0;
}
