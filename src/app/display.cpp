#include "app/display.h"

#include <dlfcn.h>

#include <cstdlib>

namespace matslip {
namespace {

constexpr char kNoDisplay[] =
    "matslip: 没有图形显示（DISPLAY 与 WAYLAND_DISPLAY 均未设置），"
    "请在桌面会话中启动。\n"
    "matslip: no display server found (DISPLAY and WAYLAND_DISPLAY are not "
    "set). Start it from a desktop session.\n";
constexpr char kCannotOpen[] = "matslip: 无法打开图形显示 ";
constexpr char kCannotOpenEnglish[] =
    "matslip: no graphical display could be opened: DISPLAY=";

const char* Variable(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && value[0] != '\0' ? value : nullptr;
}

// Connects to the X display the way Qt's xcb platform will. The library is
// loaded at run time so that the check needs nothing at build time; without
// it Qt's own platform cannot load either and says so itself.
bool XDisplayOpens(const char* display) {
  void* xcb = dlopen("libxcb.so.1", RTLD_NOW | RTLD_LOCAL);
  if (xcb == nullptr) return true;
  using Connect = void* (*)(const char*, int*);
  using HasError = int (*)(void*);
  using Disconnect = void (*)(void*);
  auto connect = reinterpret_cast<Connect>(dlsym(xcb, "xcb_connect"));
  auto has_error =
      reinterpret_cast<HasError>(dlsym(xcb, "xcb_connection_has_error"));
  auto disconnect = reinterpret_cast<Disconnect>(dlsym(xcb, "xcb_disconnect"));
  bool opens = true;
  if (connect && has_error && disconnect) {
    // xcb_connect never returns null: a failed connection is an object too.
    void* connection = connect(display, nullptr);
    opens = has_error(connection) == 0;
    disconnect(connection);
  }
  dlclose(xcb);
  return opens;
}

}  // namespace

std::string DisplayProblem() {
  if (Variable("QT_QPA_PLATFORM") || Variable("WAYLAND_DISPLAY")) return "";
  const char* display = Variable("DISPLAY");
  if (display == nullptr) return kNoDisplay;
  if (XDisplayOpens(display)) return "";
  return std::string(kCannotOpen) + display + "。\n" + kCannotOpenEnglish +
         display + "\n";
}

}  // namespace matslip
