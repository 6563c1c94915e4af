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
  settings.sync();  // what another running viewer wrote since
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

namespace {

size_t PositiveSetting(const QSettings& settings, const char* key, size_t fallback) {
  bool ok = false;
  const qulonglong value = settings.value(key).toULongLong(&ok);
  return ok && value > 0 ? static_cast<size_t>(value) : fallback;
}

}  // namespace

void LoadModernBounds(pdf::OpenOptions* options) {
  const QSettings settings(kSettingsOrganisation, kSettingsApplication);
  options->contents_text_bound =
      PositiveSetting(settings, kContentsBoundKey, pdf::kDefaultContentsTextBound);
  options->image_pixel_bound =
      PositiveSetting(settings, kImagePixelBoundKey, pdf::kDefaultImagePixelBound);
}
