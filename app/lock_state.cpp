#include "app/lock_state.h"

#include <QGuiApplication>
#if QT_CONFIG(xcb)
#include <QtGui/qguiapplication_platform.h>
#endif

#include <dlfcn.h>

namespace {

#if QT_CONFIG(xcb)
// libX11's keyboard-extension calls, looked up at run time so that building
// needs no X11 development files; the library itself comes with Qt's X11 plugin.
using Atom = unsigned long;
using InternAtomFn = Atom (*)(Display*, const char*, int);
using GetNamedIndicatorFn = int (*)(Display*, Atom, int*, int*, void*, int*);

struct X11Calls {
  InternAtomFn intern_atom = nullptr;
  GetNamedIndicatorFn get_named_indicator = nullptr;
  Atom caps = 0;
  Atom num = 0;
  Atom scroll = 0;
  bool ready = false;
};

const X11Calls& Calls(Display* display) {
  static X11Calls calls = [display] {
    X11Calls c;
    void* library = dlopen("libX11.so.6", RTLD_LAZY | RTLD_LOCAL);
    if (library == nullptr) {
      return c;
    }
    c.intern_atom = reinterpret_cast<InternAtomFn>(dlsym(library, "XInternAtom"));
    c.get_named_indicator =
        reinterpret_cast<GetNamedIndicatorFn>(dlsym(library, "XkbGetNamedIndicator"));
    if (c.intern_atom == nullptr || c.get_named_indicator == nullptr) {
      return c;
    }
    c.caps = c.intern_atom(display, "Caps Lock", /*only_if_exists=*/0);
    c.num = c.intern_atom(display, "Num Lock", 0);
    c.scroll = c.intern_atom(display, "Scroll Lock", 0);
    c.ready = true;
    return c;
  }();
  return calls;
}

bool IndicatorOn(const X11Calls& calls, Display* display, Atom name) {
  int index = 0;
  int on = 0;
  int real = 0;
  return calls.get_named_indicator(display, name, &index, &on, nullptr, &real) != 0 && on != 0;
}
#endif

}  // namespace

bool ReadLockState(LockState* state) {
  *state = LockState();
#if QT_CONFIG(xcb)
  auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  Display* display = x11 ? x11->display() : nullptr;
  if (display == nullptr) {
    return false;
  }
  const X11Calls& calls = Calls(display);
  if (!calls.ready) {
    return false;
  }
  state->caps = IndicatorOn(calls, display, calls.caps);
  state->num = IndicatorOn(calls, display, calls.num);
  state->scroll = IndicatorOn(calls, display, calls.scroll);
  return true;
#else
  return false;
#endif
}
