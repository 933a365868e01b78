#include "acquire/settings.h"

#include "web/program_home.h"
#include "web/text.h"

namespace kestrune {
namespace {

constexpr std::string_view PictureSection = "DL_PIC";
constexpr std::string_view SaveSection = "SAVE";
constexpr std::string_view Checked = "真";
constexpr std::string_view Unchecked = "假";
// The settings file holds one line per key, so the mapping list's line breaks are stored as this.
constexpr std::string_view StoredLineBreak = "###";

// CR LF, and a lone CR or LF as well, becomes the stored marker: a raw line break would end the
// profile line and turn the rest of the list into stray lines of the file.
std::string encodeLineBreaks(std::string_view text) {
  std::string result;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' || text[i] == '\n') {
      if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      result.append(StoredLineBreak);
    } else {
      result.push_back(text[i]);
    }
  }
  return result;
}

std::string withoutLineBreaks(std::string_view text) {
  std::string result;
  for (char c : text) {
    if (c != '\r' && c != '\n') result.push_back(c);
  }
  return result;
}

}  // namespace

std::filesystem::path settingsFile(const std::filesystem::path& home) {
  return optionsFolder(home) / "options.ini";
}

Settings readSettings(const ProfileFile& profile, const Settings& before) {
  Settings settings = before;
  auto read = [&](std::string_view section, std::string_view key) {
    return profile.value(section, key, "");
  };
  settings.downloadDescriptionPictures = read(PictureSection, "download") == Checked;
  settings.customSalePropsToStandard = read(PictureSection, "zdyz") == Checked;
  auto linkMode = read(PictureSection, "qcl");
  if (linkMode.empty() || linkMode == "2") {
    settings.linkMode = LinkMode::RemoveLinks;
  } else if (linkMode == "1") {
    settings.linkMode = LinkMode::KeepLinks;
  } else if (linkMode == "3") {
    settings.linkMode = LinkMode::ReplaceLinks;
  }
  settings.replacementLink = read(PictureSection, "qcllr");
  settings.attributeMappingList = ReplaceAll(read(PictureSection, "pp"), StoredLineBreak, "\r\n");
  settings.packageChoice = read(SaveSection, "type") == "4" ? OutputKind::BusinessAssistant
                                                            : OutputKind::TaobaoAssistant;
  return settings;
}

SaveSettingsResult writeSettingsFile(const std::filesystem::path& file, const Settings& settings) {
  if (settings.linkMode == LinkMode::ReplaceLinks && settings.replacementLink.empty()) {
    return {SaveSettingsOutcome::MissingReplacementLink, {}};
  }
  auto profile = ProfileFile::load(file);
  auto checkText = [](bool checked) { return checked ? Checked : Unchecked; };
  profile.setValue(PictureSection, "download", checkText(settings.downloadDescriptionPictures));
  profile.setValue(PictureSection, "zdyz", checkText(settings.customSalePropsToStandard));
  profile.setValue(PictureSection, "qcl", std::to_string(static_cast<int>(settings.linkMode)));
  if (settings.linkMode == LinkMode::ReplaceLinks) {
    profile.setValue(PictureSection, "qcllr", withoutLineBreaks(settings.replacementLink));
  }
  profile.setValue(PictureSection, "pp", encodeLineBreaks(settings.attributeMappingList));
  profile.setValue(SaveSection, "type", std::to_string(static_cast<int>(settings.packageChoice)));
  if (auto error = profile.save(file)) return {SaveSettingsOutcome::WriteFailed, *error};
  return {};
}

Settings SettingsSnapshot::current() const {
  std::lock_guard lock(mutex_);
  return settings_;
}

void SettingsSnapshot::setCurrent(Settings settings) {
  std::lock_guard lock(mutex_);
  settings_ = std::move(settings);
}

void SettingsSnapshot::update(const std::function<void(Settings&)>& change) {
  std::lock_guard lock(mutex_);
  change(settings_);
}

OutputKind SettingsSnapshot::outputKind() const {
  std::lock_guard lock(mutex_);
  return outputKind_;
}

void SettingsSnapshot::setOutputKind(OutputKind kind) {
  std::lock_guard lock(mutex_);
  outputKind_ = kind;
}

PackageLocation packageLocationOf(std::string_view path, char separator) {
  PackageLocation location;
  location.packagePath = std::string(path);
  auto lastSeparator = path.rfind(separator);
  auto nameStart = lastSeparator == std::string_view::npos ? 0 : lastSeparator + 1;
  location.outputFolder = std::string(path.substr(0, nameStart));
  auto fileName = path.substr(nameStart);
  auto dot = fileName.find('.');
  if (dot != std::string_view::npos) location.packageBaseName = std::string(fileName.substr(0, dot));
  return location;
}

PackageLocation chosenPackageLocation(std::string_view chosenPath, char separator) {
  std::string path(chosenPath);
  if (path.find('.') == std::string::npos) path += ".csv";
  return packageLocationOf(path, separator);
}

}  // namespace kestrune
