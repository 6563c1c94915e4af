// The About box: the application icon, the name and version, and a notice line.
#pragma once

#include <QDialog>
#include <string>

class QLabel;

// "About Quorvel"
std::string AboutCaption();
// "Quorvel 1.02b6"
std::string AboutVersionText();
// The notice line below the version.
std::string AboutNoticeText();

class CAboutBox : public QDialog {
  Q_OBJECT

 public:
  explicit CAboutBox(QWidget* parent = nullptr);

  QLabel* VersionLabel() const { return version_; }
  QLabel* NoticeLabel() const { return notice_; }

 private:
  QLabel* version_;
  QLabel* notice_;
};
