#include "app/settings.h"

#include <QCoreApplication>
#include <QFile>
#include <QSettings>

namespace {

QString EntryKey(int index) {
  return QString("File%1").arg(index + 1);
}

}  // namespace

void SelectSettingsStore() {
  QCoreApplication::setOrganizationName(kSettingsOrganisation);
  QCoreApplication::setApplicationName(kSettingsApplication);
}

void LoadRecentFiles(RecentFileList* list) {
  QSettings settings(kSettingsOrganisation, kSettingsApplication);
  settings.beginGroup(kRecentFileGroup);
  std::vector<std::string> paths;
  for (int i = 0; i < RecentFileList::kMaxEntries; ++i) {
    paths.push_back(QFile::encodeName(settings.value(EntryKey(i)).toString()).toStdString());
  }
  list->Assign(paths);
}

void SaveRecentFiles(const RecentFileList& list) {
  QSettings settings(kSettingsOrganisation, kSettingsApplication);
  settings.beginGroup(kRecentFileGroup);
  for (int i = 0; i < RecentFileList::kMaxEntries; ++i) {
    if (i < list.Size()) {
      settings.setValue(EntryKey(i), QFile::decodeName(list.Entries()[i].c_str()));
    } else {
      settings.remove(EntryKey(i));
    }
  }
}

bool LoadModernMode() {
  return QSettings(kSettingsOrganisation, kSettingsApplication)
      .value(kModernModeKey, false)
      .toBool();
}

void SaveModernMode(bool modern) {
  QSettings(kSettingsOrganisation, kSettingsApplication).setValue(kModernModeKey, modern);
}
