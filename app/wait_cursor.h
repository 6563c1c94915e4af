// Shows the wait cursor for the lifetime of the guard; guards nest.
#pragma once

#include <QGuiApplication>

class CWaitCursor {
 public:
  CWaitCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
  ~CWaitCursor() { QGuiApplication::restoreOverrideCursor(); }
  CWaitCursor(const CWaitCursor&) = delete;
  CWaitCursor& operator=(const CWaitCursor&) = delete;
};
