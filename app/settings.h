// The per-user settings store and the recent-file list kept in it.
#pragma once

#include "app/recent_files.h"
#include "pdf/open_options.h"

inline constexpr char kSettingsOrganisation[] = "Local AppWizard-Generated Applications";
inline constexpr char kSettingsApplication[] = "Quorvel";
inline constexpr char kRecentFileGroup[] = "Recent File List";

// Names the store after the organisation and the application.
void SelectSettingsStore();
// Reads File1 to File8 of the recent-file group.
void LoadRecentFiles(RecentFileList* list);
// Writes the list as File1 to FileN and removes the keys past it.
void SaveRecentFiles(const RecentFileList& list);

// View > Modern Mode, remembered between runs (off until turned on).
inline constexpr char kModernModeKey[] = "Settings/ModernMode";
bool LoadModernMode();
void SaveModernMode(bool modern);

// Modern mode's bounds: bytes of a stream's contents the detail pane shows,
// and pixels of a picture drawn whole. Absent, zero or unreadable values give
// the defaults; the store is read at every open, so an edit takes effect then.
inline constexpr char kContentsBoundKey[] = "Settings/ContentsBound";
inline constexpr char kImagePixelBoundKey[] = "Settings/ImagePixelBound";
void LoadModernBounds(pdf::OpenOptions* options);
