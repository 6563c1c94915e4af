// A pane that can print itself. The main frame prints whichever pane is active.
#pragma once

class QPrinter;

class CPrintablePane {
 public:
  virtual ~CPrintablePane() = default;
  // Paints the pane's printed form on the printer, page after page.
  virtual void PrintPages(QPrinter* printer) = 0;
};
