#include "app/main_frame.h"

CMainFrame::CMainFrame(QWidget* parent) : QMainWindow(parent) {
  setWindowTitle("Untitled - Quorvel");
  resize(1024, 700);
}
