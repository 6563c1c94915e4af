// A file signed by a real signing tool (poppler's pdfsig), then updated
// after the signature: the signature, the revision it signs and what came
// after it, against pdfsig's own account of the file.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "analysis/revisions.h"
#include "describe/open_mode.h"
#include "pdf/document.h"
#include "tests/support/pdf_builder.h"
#include "tests/support/pdf_signer.h"

namespace {

// The page's content stream (5) as an update after the signature rewrites it.
constexpr char kChanged[] = "BT /F1 24 Tf 72 712 Td (Changed) Tj ET";

TEST(SignedFileTest, SignatureOfARealSignerAndAnUpdateAfterIt) {
  if (const std::string missing = MissingSigningTools(); !missing.empty()) {
    GTEST_SKIP() << "not installed: " << missing;
  }
  PdfSigner signer;
  ASSERT_TRUE(signer.ready());
  std::string signed_bytes;
  ASSERT_TRUE(signer.Sign(MinimalPdf(), &signed_bytes));

  struct Row {
    const char* name;
    std::string bytes;
    bool total;  // what pdfsig should say
    size_t revisions;
    std::vector<int32_t> changed_after;
  };
  const Row rows[] = {
      {"as signed", signed_bytes, true, 2, {}},
      {"updated after signing", WithUpdatedStream(signed_bytes, 5, kChanged), false, 3, {5}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    TempFile file(row.bytes);
    SignatureReport oracle;
    ASSERT_TRUE(signer.Verify(file.path(), &oracle));
    ASSERT_EQ(oracle.total, row.total);

    // pdfsig writes sections of several subsections: modern mode reads them.
    pdf::Document doc;
    ASSERT_TRUE(doc.Open(file.path().c_str(), OpenOptionsFor(pdf::Mode::kModern)));
    const std::vector<Revision> revisions = ListRevisions(doc);
    ASSERT_EQ(revisions.size(), row.revisions);
    const std::vector<SignedRevision> signatures = ListSignatures(doc, revisions);
    ASSERT_EQ(signatures.size(), 1u);
    const SignedRevision& signature = signatures[0];
    EXPECT_TRUE(signature.usable);
    for (int i = 0; i < 4; ++i) {
      EXPECT_EQ(signature.byte_range[i], oracle.byte_range[i]) << "ByteRange item " << i;
    }
    // pdfsig's own revision, the one it appended to the unsigned file.
    EXPECT_EQ(signature.revision, 2);
    EXPECT_TRUE(signature.whole);
    EXPECT_EQ(signature.changed_after, row.changed_after);
    // The whole document is signed when nothing came after the signed revision.
    EXPECT_EQ(signature.whole && signature.revision == static_cast<int>(revisions.size()) &&
                  signature.changed_after.empty(),
              oracle.total);
    doc.Close();
  }
}

}  // namespace
