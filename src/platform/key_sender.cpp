#include "platform/key_sender.h"

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/error.h"

#ifdef DV_HAVE_XTEST
#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#endif

namespace dv {

namespace {

[[noreturn]] void Unavailable(const std::string& why) {
  throw Error(err::ComponentMissing, "Keystrokes cannot be sent: " + why);
}

// The X display named by DISPLAY; without one no keystroke can go anywhere, whatever the build.
const char* DisplayName() {
  const char* name = std::getenv("DISPLAY");
  if (!name || !*name) Unavailable("there is no X display (DISPLAY is not set)");
  return name;
}

// Programs read keys as they come; a short gap between strokes keeps slow readers from merging or dropping them.
void Gap(int milliseconds) { std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds)); }

// The parent of a process as /proc shows it; 0 when it cannot be read (the process is gone).
pid_t ParentOf(pid_t pid) {
  const int fd = ::open(("/proc/" + std::to_string(pid) + "/stat").c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return 0;
  char buffer[1024];
  const ssize_t n = ::read(fd, buffer, sizeof buffer);
  ::close(fd);
  if (n <= 0) return 0;
  const std::string stat(buffer, static_cast<size_t>(n));
  const size_t close = stat.rfind(')');  // the command name in parentheses may hold anything
  if (close == std::string::npos) return 0;
  char state = 0;
  long parent = 0;
  std::istringstream(stat.substr(close + 1)) >> state >> parent;
  return static_cast<pid_t>(parent);
}

// Whether `pid` is `ancestor` or descends from it.
[[maybe_unused]] bool DescendsFrom(pid_t pid, pid_t ancestor) {
  for (int depth = 0; pid > 1 && depth < 64; ++depth, pid = ParentOf(pid))
    if (pid == ancestor) return true;
  return false;
}

}  // namespace

#ifdef DV_HAVE_XTEST

namespace {

int g_lastXError = 0;
int RecordXError(Display*, XErrorEvent* e) {
  g_lastXError = e->error_code;
  return 0;
}

KeySym NamedKeySym(NamedKey key) {
  switch (key) {
    case NamedKey::Backspace: return XK_BackSpace;
    case NamedKey::Break: return XK_Break;
    case NamedKey::CapsLock: return XK_Caps_Lock;
    case NamedKey::Delete: return XK_Delete;
    case NamedKey::Down: return XK_Down;
    case NamedKey::End: return XK_End;
    case NamedKey::Enter: return XK_Return;
    case NamedKey::Escape: return XK_Escape;
    case NamedKey::Help: return XK_Help;
    case NamedKey::Home: return XK_Home;
    case NamedKey::Insert: return XK_Insert;
    case NamedKey::Left: return XK_Left;
    case NamedKey::NumLock: return XK_Num_Lock;
    case NamedKey::PageDown: return XK_Page_Down;
    case NamedKey::PageUp: return XK_Page_Up;
    case NamedKey::PrintScreen: return XK_Print;
    case NamedKey::Right: return XK_Right;
    case NamedKey::ScrollLock: return XK_Scroll_Lock;
    case NamedKey::Tab: return XK_Tab;
    case NamedKey::Up: return XK_Up;
    case NamedKey::Add: return XK_KP_Add;
    case NamedKey::Subtract: return XK_KP_Subtract;
    case NamedKey::Multiply: return XK_KP_Multiply;
    case NamedKey::Divide: return XK_KP_Divide;
    case NamedKey::Char: return NoSymbol;
    default: return XK_F1 + (static_cast<int>(key) - static_cast<int>(NamedKey::F1));
  }
}

KeySym CharacterKeySym(char32_t c) {
  switch (c) {
    case '\n':
    case '\r': return XK_Return;
    case '\t': return XK_Tab;
    case '\b': return XK_BackSpace;
    case 0x1B: return XK_Escape;
    default: break;
  }
  // Latin-1 characters are their own key symbols; every other character has the Unicode form.
  if ((c >= 0x20 && c <= 0x7E) || (c >= 0xA0 && c <= 0xFF)) return c;
  return 0x01000000 | c;
}

}  // namespace

struct KeySender::Impl {
  Display* display = nullptr;
  XErrorHandler previousHandler = nullptr;
  KeyCode shift = 0, ctrl = 0, alt = 0;
  // Keys without symbols, lent to characters the keyboard lacks: each character keeps its own key until the
  // sender is done, since a program may read its keymap again only when it gets to the key events, and must then
  // still find every character where it was typed.
  std::vector<KeyCode> spares;
  bool sparesFound = false;
  std::vector<std::pair<KeySym, KeyCode>> lent;  // in the order lent

  KeyCode Code(KeySym sym) { return XKeysymToKeycode(display, sym); }

  void FindSpares() {
    sparesFound = true;
    int min = 0, max = 0, per = 0;
    XDisplayKeycodes(display, &min, &max);
    KeySym* map = XGetKeyboardMapping(display, static_cast<KeyCode>(min), max - min + 1, &per);
    for (int code = max; code >= min && map; --code) {
      bool empty = true;
      for (int k = 0; k < per; ++k) empty &= map[(code - min) * per + k] == NoSymbol;
      if (empty) spares.push_back(static_cast<KeyCode>(code));
    }
    if (map) XFree(map);
  }

  void Map(KeyCode code, KeySym sym) {
    KeySym both[2] = {sym, sym};
    XChangeKeyboardMapping(display, code, 2, both, 1);
    XSync(display, False);
  }

  // A key for `sym`; programs need a moment to learn of a new mapping. When every spare key is in use, the one
  // lent first is taken back.
  KeyCode Lend(KeySym sym) {
    for (const auto& [s, code] : lent)
      if (s == sym) return code;
    if (!sparesFound) FindSpares();
    KeyCode code = 0;
    if (lent.size() < spares.size()) {
      code = spares[lent.size()];
    } else if (!lent.empty()) {
      code = lent.front().second;
      lent.erase(lent.begin());
      Gap(50);
    } else {
      throw Error(err::Application, "Keystrokes cannot be sent: no free key to type a character with");
    }
    Map(code, sym);
    lent.push_back({sym, code});
    Gap(50);
    return code;
  }

  void Restore() {
    if (lent.empty()) return;
    Gap(50);
    for (const auto& [sym, code] : lent) Map(code, NoSymbol);
    lent.clear();
  }

  void Key(KeyCode code, bool down) { XTestFakeKeyEvent(display, code, down ? True : False, CurrentTime); }
};

namespace {

// A property of `window` holding 32-bit items of `type` (windows, numbers); false when it is not there.
bool ReadProperty(Display* display, Window window, const char* name, Atom type, std::vector<unsigned long>& out) {
  const Atom atom = XInternAtom(display, name, True);
  if (atom == None) return false;
  Atom actual = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  const int status =
      XGetWindowProperty(display, window, atom, 0, 1 << 16, False, type, &actual, &format, &count, &after, &data);
  const bool found = status == Success && actual == type && format == 32;
  if (found) {
    // Items of format 32 come as longs, whatever the width of a long.
    const long* items = reinterpret_cast<const long*>(data);
    out.assign(items, items + count);
  }
  if (data) XFree(data);
  return found;
}

// The child of the root that holds `window` (itself, or the frame a window manager put around it); 0 when the
// window is gone.
Window TopLevelOf(Display* display, Window window) {
  const Window root = DefaultRootWindow(display);
  for (int depth = 0; window != None && window != root && depth < 64; ++depth) {
    Window rootOf = None, parent = None, *children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display, window, &rootOf, &parent, &children, &count)) return 0;
    if (children) XFree(children);
    if (parent == root) return window;
    window = parent;
  }
  return 0;
}

}  // namespace

KeySender::KeySender() : impl_(std::make_unique<Impl>()) {
  const char* name = DisplayName();
  impl_->display = XOpenDisplay(name);
  if (!impl_->display) Unavailable(std::string("the X display ") + name + " cannot be opened");
  int event = 0, error = 0, major = 0, minor = 0;
  if (!XTestQueryExtension(impl_->display, &event, &error, &major, &minor)) {
    XCloseDisplay(impl_->display);
    Unavailable(std::string("the X display ") + name + " has no XTest extension");
  }
  impl_->previousHandler = XSetErrorHandler(RecordXError);
  impl_->shift = impl_->Code(XK_Shift_L);
  impl_->ctrl = impl_->Code(XK_Control_L);
  impl_->alt = impl_->Code(XK_Alt_L);
  if (!impl_->alt) impl_->alt = impl_->Code(XK_Meta_L);
}

KeySender::~KeySender() {
  if (!impl_->display) return;
  impl_->Restore();
  XSetErrorHandler(impl_->previousHandler);
  XCloseDisplay(impl_->display);
}

void KeySender::Send(const std::vector<KeyStroke>& strokes, TopWindow onlyInto) {
  Impl& x = *impl_;
  g_lastXError = 0;
  for (const KeyStroke& s : strokes) {
    if (onlyInto && ActiveWindow() != onlyInto) throw Error(err::Application, kFocusMoved);
    const KeySym sym = s.key == NamedKey::Char ? CharacterKeySym(s.character) : NamedKeySym(s.key);
    KeyCode code = x.Code(sym);
    bool shifted = false;
    if (code && XkbKeycodeToKeysym(x.display, code, 0, 0) != sym) {
      if (XkbKeycodeToKeysym(x.display, code, 0, 1) == sym) shifted = true;
      else code = 0;  // on a level this sender does not reach (AltGr): lend a key instead
    }
    if (!code) code = x.Lend(sym);
    const bool shift = shifted || (s.modifiers & keymod::Shift);
    if (s.modifiers & keymod::Ctrl) x.Key(x.ctrl, true);
    if (s.modifiers & keymod::Alt) x.Key(x.alt, true);
    if (shift) x.Key(x.shift, true);
    x.Key(code, true);
    x.Key(code, false);
    if (shift) x.Key(x.shift, false);
    if (s.modifiers & keymod::Alt) x.Key(x.alt, false);
    if (s.modifiers & keymod::Ctrl) x.Key(x.ctrl, false);
    XSync(x.display, False);
    if (g_lastXError)
      throw Error(err::Application, "Keystrokes cannot be sent: the X server refused a key (X error " +
                                        std::to_string(g_lastXError) + ")");
    Gap(5);
  }
}

std::vector<TopWindow> KeySender::TopLevelWindows() {
  Display* display = impl_->display;
  const Window root = DefaultRootWindow(display);
  std::vector<TopWindow> windows;
  if (ReadProperty(display, root, "_NET_CLIENT_LIST", XA_WINDOW, windows)) return windows;
  Window rootOf = None, parent = None, *children = nullptr;
  unsigned int count = 0;
  if (XQueryTree(display, root, &rootOf, &parent, &children, &count) && children)
    windows.assign(children, children + count);
  if (children) XFree(children);
  return windows;
}

TopWindow KeySender::ActiveWindow() {
  Display* display = impl_->display;
  std::vector<TopWindow> active;
  if (ReadProperty(display, DefaultRootWindow(display), "_NET_ACTIVE_WINDOW", XA_WINDOW, active))
    return active.empty() ? 0 : active[0];
  Window focus = None;
  int revert = 0;
  XGetInputFocus(display, &focus, &revert);
  if (focus == None || focus == PointerRoot) return 0;
  return TopLevelOf(display, focus);
}

TopWindow KeySender::ActiveWindowOf(const OpenedProgram& program) {
  const TopWindow active = ActiveWindow();
  if (!active) return 0;
  std::vector<unsigned long> pid;
  const bool hasPid = ReadProperty(impl_->display, active, "_NET_WM_PID", XA_CARDINAL, pid) && !pid.empty();
  if (hasPid && static_cast<pid_t>(pid[0]) == ::getpid()) return 0;
  if (hasPid && program.pid > 0 && DescendsFrom(static_cast<pid_t>(pid[0]), program.pid)) return active;
  // Compared as the client window and as the child of the root: the list before may hold either.
  const TopWindow top = TopLevelOf(impl_->display, active);
  for (TopWindow before : program.windowsBefore)
    if (before == active || before == top) return 0;
  return active;
}

#else  // built without X11

struct KeySender::Impl {};

KeySender::KeySender() {
  DisplayName();
  Unavailable("this build of Dorvane has no X11 support (the X11 and XTest development files were missing when it "
              "was built)");
}

KeySender::~KeySender() = default;

void KeySender::Send(const std::vector<KeyStroke>&, TopWindow) {}
std::vector<TopWindow> KeySender::TopLevelWindows() { return {}; }
TopWindow KeySender::ActiveWindow() { return 0; }
TopWindow KeySender::ActiveWindowOf(const OpenedProgram&) { return 0; }

#endif

}  // namespace dv
