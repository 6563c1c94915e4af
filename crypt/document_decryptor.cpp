#include "crypt/document_decryptor.h"

#include "crypt/encrypt_entries.h"
#include "crypt/security_handler.h"
#include "pdf/object.h"

namespace pdfcrypt {

namespace {

class DocumentDecryptor : public pdf::Decryptor {
 public:
  explicit DocumentDecryptor(std::unique_ptr<SecurityHandler> handler)
      : handler_(std::move(handler)) {}

  bool DecryptString(int32_t number, int32_t generation,
                     std::vector<uint8_t>* bytes) const override {
    return handler_->DecryptString(number, generation, bytes);
  }

  bool DecryptStream(int32_t number, int32_t generation, pdf::Dictionary* stream,
                     std::span<const uint8_t> data, std::vector<uint8_t>* out,
                     std::string* why) const override {
    return handler_->DecryptStream(number, generation, stream, data, out, why);
  }

 private:
  std::unique_ptr<SecurityHandler> handler_;
};

std::string OpenedWithText(OpenedWith opened) {
  switch (opened) {
    case OpenedWith::kEmptyUserPassword:
      return "the empty user password";
    case OpenedWith::kUserPassword:
      return "the user password";
    case OpenedWith::kOwnerPassword:
      return "the owner password";
    case OpenedWith::kNone:
      break;
  }
  return "no password";
}

}  // namespace

pdf::DecryptorResult OpenDocumentDecryptor(pdf::Object* encrypt, pdf::Object* id,
                                           std::string_view password) {
  pdf::DecryptorResult result;
  const std::string filter = encrypt != nullptr ? NameText(encrypt->Get("Filter")) : "";
  result.handler = filter == "Standard" ? "Standard security handler"
                   : filter.empty()     ? "security handler without a name"
                                        : "security handler /" + filter;
  bool wrong_password = false;
  std::unique_ptr<SecurityHandler> handler =
      SecurityHandler::Open(encrypt, id, password, &result.why, &wrong_password);
  if (handler == nullptr) {
    result.status =
        wrong_password ? pdf::DecryptorStatus::kWrongPassword : pdf::DecryptorStatus::kUnusable;
    if (wrong_password) {
      // The entries were read; the summary names what the password must open.
      EncryptEntries entries;
      std::string ignored;
      if (ReadEncryptEntries(encrypt, id, &entries, &ignored)) {
        result.summary = ProtectionSummary(entries.protection);
      }
    } else {
      result.lines = {"Encrypted with the " + result.handler,
                      "Nothing is decrypted: " + result.why};
    }
    return result;
  }
  const Protection& protection = handler->protection();
  result.status = pdf::DecryptorStatus::kOpened;
  result.summary = ProtectionSummary(protection);
  result.opened_with = OpenedWithText(protection.opened_with);
  result.lines = DescribeProtection(protection);
  result.why = handler->warning();
  result.decryptor = std::make_unique<DocumentDecryptor>(std::move(handler));
  return result;
}

}  // namespace pdfcrypt
