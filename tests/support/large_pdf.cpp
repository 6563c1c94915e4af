#include "tests/support/large_pdf.h"

#include "tests/support/pdf_builder.h"

std::string LargeDamagedPdf(int objects, size_t object_bytes) {
  PdfBuilder pdf;
  pdf.Object(1, "<< /Type /Catalog /Pages 2 0 R >>");
  pdf.Object(2, "<< /Type /Pages /Kids [3 0 R] /Count 1 >>");
  pdf.Object(3, "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] >>");
  const std::string filler(object_bytes > 64 ? object_bytes - 64 : 1, 'x');
  for (int i = 0; i < objects; ++i) {
    pdf.Object(4 + i, "<< /Owner 1 0 R /Filler (" + filler + ") >>");
  }
  return pdf.Bytes();
}
