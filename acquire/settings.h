// The user's options for copying and packaging: the record the stages read, its place in
// options/options.ini, and the thread-safe snapshot through which worker threads and the
// command-line program see the values the user has set, saved or not. Widgets live elsewhere.
#pragma once

#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "web/profile_file.h"

namespace kestrune {

// Which package a run makes. The numbers are the ones stored in the settings file.
enum class OutputKind { BusinessAssistant = 4, TaobaoAssistant = 5 };

// What the end of a run does with links in descriptions ("qcl" in the settings file).
enum class LinkMode { KeepLinks = 1, RemoveLinks = 2, ReplaceLinks = 3 };

struct Settings {
  // Stored in the file.
  bool downloadDescriptionPictures = false;
  bool customSalePropsToStandard = false;
  LinkMode linkMode = LinkMode::RemoveLinks;
  std::string replacementLink;
  // Lines "source name==target name", each ended by CR LF.
  std::string attributeMappingList;
  // The package radio buttons as they stand now; a run's OutputKind is the snapshot's
  // outputKind(), which follows this value only on load and save.
  OutputKind packageChoice = OutputKind::TaobaoAssistant;

  // Held in memory only, fresh at every start.
  std::string savePath;  // the save-path box's text (its hint until a path is chosen)
  std::string outputFolder;
  std::string packageBaseName;
  bool loginPromptShown = false;
};

// options/options.ini inside a program home.
std::filesystem::path settingsFile(const std::filesystem::path& home);

// The stored options read over `before`: missing keys give the defaults, except that an unknown
// "qcl" value keeps before.linkMode. Memory-only fields are taken from `before`.
Settings readSettings(const ProfileFile& profile, const Settings& before);

enum class SaveSettingsOutcome { Saved, MissingReplacementLink, WriteFailed };

struct SaveSettingsResult {
  SaveSettingsOutcome outcome = SaveSettingsOutcome::Saved;
  std::string error;  // for WriteFailed: a message naming the file
};

// Writes the stored options into the file, keeping its other sections and keys. When links are
// to be replaced and no replacement is given nothing is written at all. "qcllr" is written only
// in ReplaceLinks mode, so the last replacement survives a switch to another mode.
SaveSettingsResult writeSettingsFile(const std::filesystem::path& file, const Settings& settings);

// The options as the controls show them right now, shared between the window (which updates it
// on every change) and the threads of a run (which read it when they need a value).
class SettingsSnapshot {
 public:
  Settings current() const;
  void setCurrent(Settings settings);
  // Changes some fields in one step, so writers of different fields never undo each other.
  void update(const std::function<void(Settings&)>& change);
  // The package kind of runs; changes only when the settings are loaded or saved.
  OutputKind outputKind() const;
  void setOutputKind(OutputKind kind);

 private:
  mutable std::mutex mutex_;
  Settings settings_;
  OutputKind outputKind_ = OutputKind::TaobaoAssistant;
};

// The separator of folder names in package paths on this platform.
inline constexpr char PathSeparator = static_cast<char>(std::filesystem::path::preferred_separator);

// Where a package goes, derived from the path the user named.
struct PackageLocation {
  std::string packagePath;
  std::string outputFolder;     // up to and including the last separator
  std::string packageBaseName;  // the file name up to its first "."; empty when it has none
};

// Splits a package path as the generation run does; `separator` is the platform's by default.
PackageLocation packageLocationOf(std::string_view path, char separator = PathSeparator);

// The path the user picked in the file dialog: ".csv" is appended when the path has no "." at
// all, then the path is split. A base name that comes out empty means the name is unusable.
PackageLocation chosenPackageLocation(std::string_view chosenPath, char separator = PathSeparator);

}  // namespace kestrune
