#include "app/problems_dock.h"

#include <QListWidget>
#include <QRegularExpression>

#include "app/app_doc.h"

CProblemsDock::CProblemsDock(CAppDoc* doc, QWidget* parent)
    : QDockWidget("Problems", parent), doc_(doc) {
  setObjectName("ProblemsDock");
  list_ = new QListWidget(this);
  list_->setObjectName("ProblemsList");
  list_->setUniformItemSizes(true);
  setWidget(list_);
  connect(doc_, &CAppDoc::finding, this, &CProblemsDock::Add);
  connect(doc_, &CAppDoc::aboutToOpen, this, [this] {
    list_->clear();
    ShowCount();
  });
  connect(list_, &QListWidget::itemActivated, this, &CProblemsDock::Choose);
  connect(list_, &QListWidget::itemClicked, this, &CProblemsDock::Choose);
}

int CProblemsDock::ObjectOf(const QString& finding) {
  static const QRegularExpression kObject(R"((?:\b[Oo]bject (\d+)\b)|(?:\b(\d+) \d+ R\b))");
  const QRegularExpressionMatch match = kObject.match(finding);
  if (!match.hasMatch()) {
    return 0;
  }
  return (match.captured(1).isEmpty() ? match.captured(2) : match.captured(1)).toInt();
}

void CProblemsDock::Add(const QString& finding) {
  auto* item = new QListWidgetItem(finding, list_);
  const int number = ObjectOf(finding);
  item->setData(Qt::UserRole, number);
  if (number > 0) {
    item->setToolTip(QString("Select object %1").arg(number));
  }
  ShowCount();
}

void CProblemsDock::ShowCount() {
  setWindowTitle(list_->count() == 0 ? QString("Problems")
                                     : QString("Problems (%1)").arg(list_->count()));
}

void CProblemsDock::Choose(QListWidgetItem* item) {
  const int number = item != nullptr ? item->data(Qt::UserRole).toInt() : 0;
  if (number > 0) {
    emit objectChosen(number, -1);
  }
}
