#include "crypt/document_decryptor.h"

#include <algorithm>
#include <string>

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

  std::unique_ptr<pdf::StreamPieces> DecryptStreamPieces(
      int32_t number, int32_t generation, pdf::Dictionary* stream,
      std::span<const uint8_t> data) const override {
    return handler_->DecryptStreamPieces(number, generation, stream, data);
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
  return PrepareDocumentDecryptor(encrypt, id, password)();
}

pdf::DecryptorJob PrepareDocumentDecryptor(pdf::Object* encrypt, pdf::Object* id,
                                           std::string_view password) {
  const std::string filter = encrypt != nullptr ? NameText(encrypt->Get("Filter")) : "";
  std::string handler_name = filter == "Standard" ? "Standard security handler"
                             : filter.empty()     ? "security handler without a name"
                                                  : "security handler /" + filter;
  EncryptEntries entries;
  std::string why;
  if (!ReadEncryptEntries(encrypt, id, &entries, &why)) {
    return [handler_name, why] {
      pdf::DecryptorResult result;
      result.status = pdf::DecryptorStatus::kUnusable;
      result.handler = handler_name;
      result.why = why;
      result.lines = {"Encrypted with the " + handler_name, "Nothing is decrypted: " + why};
      return result;
    };
  }
  return [handler_name, entries, password = std::string(password)]() mutable {
    pdf::DecryptorResult result;
    result.handler = handler_name;
    result.summary = ProtectionSummary(entries.protection);
    bool wrong_password = false;
    std::unique_ptr<SecurityHandler> handler =
        SecurityHandler::Open(entries, password, &result.why, &wrong_password);
    std::fill(password.begin(), password.end(), '\0');
    if (handler == nullptr) {
      // The entries were read: only the password failed, and the summary
      // names what it must open.
      result.status = pdf::DecryptorStatus::kWrongPassword;
      return result;
    }
    const Protection& protection = handler->protection();
    result.status = pdf::DecryptorStatus::kOpened;
    result.opened_with = OpenedWithText(protection.opened_with);
    result.lines = DescribeProtection(protection);
    result.why = handler->warning();
    result.decryptor = std::make_unique<DocumentDecryptor>(std::move(handler));
    return result;
  };
}

}  // namespace pdfcrypt
