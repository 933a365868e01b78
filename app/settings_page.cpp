#include "app/settings_page.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <algorithm>

#include "app/widget_dialogs.h"
#include "web/user_dialogs.h"

namespace kestrune {
namespace {

QLabel* heading(const QString& text, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  QFont font = label->font();
  font.setBold(true);
  label->setFont(font);
  return label;
}

// The box shows "\n" line breaks; the settings hold CR LF.
std::string boxTextToSettings(const QString& text) {
  QString crlf = text;
  crlf.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
  return fromQt(crlf);
}

QString settingsTextToBox(const std::string& text) {
  QString plain = toQt(text);
  plain.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  return plain;
}

}  // namespace

SettingsPage::SettingsPage(SettingsSnapshot& snapshot, std::filesystem::path settingsFile, QWidget* parent)
    : QWidget(parent), snapshot_(snapshot), settingsFile_(std::move(settingsFile)) {
  auto* frame = new QGroupBox(QStringLiteral("宝贝采集设置"), this);
  frame->setObjectName(QStringLiteral("settingsFrame"));
  auto* outer = new QVBoxLayout(this);
  outer->setContentsMargins(8, 4, 8, 6);
  outer->addWidget(frame);
  auto* column = new QVBoxLayout(frame);
  column->setSpacing(3);

  column->addWidget(heading(QStringLiteral("图片选项"), frame));
  downloadPictures_ = new QCheckBox(QStringLiteral("下载描述图片"), frame);
  downloadPictures_->setObjectName(QStringLiteral("downloadDescriptionPictures"));
  column->addWidget(downloadPictures_);

  column->addWidget(heading(QStringLiteral("特殊选项"), frame));
  auto* linkRow = new QHBoxLayout;
  keepLinks_ = new QRadioButton(QStringLiteral("不处理描述中的超链接"), frame);
  keepLinks_->setObjectName(QStringLiteral("keepLinks"));
  removeLinks_ = new QRadioButton(QStringLiteral("自动去除描述中超链接"), frame);
  removeLinks_->setObjectName(QStringLiteral("removeLinks"));
  replaceLinks_ = new QRadioButton(QStringLiteral("将描述中超链接替换为："), frame);
  replaceLinks_->setObjectName(QStringLiteral("replaceLinks"));
  replacementLink_ = new QLineEdit(frame);
  replacementLink_->setObjectName(QStringLiteral("replacementLink"));
  auto* linkGroup = new QButtonGroup(frame);
  for (auto* button : {keepLinks_, removeLinks_, replaceLinks_}) {
    linkGroup->addButton(button);
    linkRow->addWidget(button);
  }
  linkRow->addWidget(replacementLink_, 1);
  removeLinks_->setChecked(true);
  column->addLayout(linkRow);

  customSaleProps_ = new QCheckBox(
      QStringLiteral("自定义销售属性自动转标准属性（发现采集的宝贝没有销售属性的情况下用）"), frame);
  customSaleProps_->setObjectName(QStringLiteral("customSalePropsToStandard"));
  column->addWidget(customSaleProps_);

  auto* mappingArea = new QGridLayout;
  mappingList_ = new QPlainTextEdit(frame);
  mappingList_->setObjectName(QStringLiteral("attributeMappingList"));
  mappingList_->setFixedHeight(74);
  sourceName_ = new QLineEdit(frame);
  sourceName_->setObjectName(QStringLiteral("sourceAttributeName"));
  targetName_ = new QLineEdit(frame);
  targetName_->setObjectName(QStringLiteral("targetAttributeName"));
  addMappingButton_ = new QPushButton(QStringLiteral("添加一个新属性匹配"), frame);
  addMappingButton_->setObjectName(QStringLiteral("addMappingButton"));
  addMappingButton_->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
  mappingArea->addWidget(mappingList_, 0, 0, 4, 1);
  mappingArea->addWidget(new QLabel(QStringLiteral("1688属性名"), frame), 0, 1);
  mappingArea->addWidget(sourceName_, 1, 1);
  mappingArea->addWidget(new QLabel(QStringLiteral("淘宝属性名"), frame), 2, 1);
  mappingArea->addWidget(targetName_, 3, 1);
  mappingArea->addWidget(addMappingButton_, 0, 2, 4, 1);
  mappingArea->setColumnStretch(0, 3);
  mappingArea->setColumnStretch(1, 2);
  column->addLayout(mappingArea);

  column->addWidget(heading(QStringLiteral("生成选项"), frame));
  auto* packageRow = new QHBoxLayout;
  businessAssistant_ = new QRadioButton(QStringLiteral("生成阿里巴巴商机助理数据包"), frame);
  businessAssistant_->setObjectName(QStringLiteral("businessAssistant"));
  taobaoAssistant_ = new QRadioButton(QStringLiteral("生成淘宝助理5.X数据"), frame);
  taobaoAssistant_->setObjectName(QStringLiteral("taobaoAssistant"));
  auto* packageGroup = new QButtonGroup(frame);
  packageGroup->addButton(businessAssistant_);
  packageGroup->addButton(taobaoAssistant_);
  taobaoAssistant_->setChecked(true);
  packageRow->addWidget(businessAssistant_);
  packageRow->addWidget(taobaoAssistant_);
  packageRow->addStretch(1);
  column->addLayout(packageRow);

  QString noteText = QStringLiteral(
      "说明： 1、生成商机助理数据包时,建议不选下载描述图片,因为现在商机助理暂不           支持本地图片！\r\n"
      "       2、生成淘宝助理数据包导入淘宝助理后,可能需要补齐部分不能自动匹配           的属性。"
      "这是因为复制源——阿里巴巴的宝贝数据结构，和淘宝不同引起。");
  auto* note = new QLabel(noteText.replace(QStringLiteral("\r\n"), QStringLiteral("\n")), frame);
  note->setObjectName(QStringLiteral("packageNote"));
  note->setFrameShape(QFrame::StyledPanel);
  note->setWordWrap(true);
  note->setMargin(4);
  // The note's runs of blanks pad each sentence to the end of a line: the label is as wide as
  // the longest piece before such a run, so the text wraps at the blanks.
  int noteWidth = 0;
  for (const QString& piece : note->text().split(QStringLiteral("          "))) {
    const QString lastLine = piece.section(QLatin1Char('\n'), -1);
    noteWidth = std::max(noteWidth, note->fontMetrics().horizontalAdvance(lastLine));
  }
  note->setFixedWidth(noteWidth + 2 * note->margin() + 2 * note->frameWidth() + 4);
  note->setMinimumHeight(note->heightForWidth(note->width()));
  column->addWidget(note, 0, Qt::AlignLeft);

  auto* bottomRow = new QHBoxLayout;
  loginPromptShown_ = new QCheckBox(QStringLiteral("登陆窗口只弹出一次，未关闭软件前不再弹出"), frame);
  loginPromptShown_->setObjectName(QStringLiteral("loginPromptShown"));
  saveButton_ = new QPushButton(QStringLiteral("保存配置"), frame);
  saveButton_->setObjectName(QStringLiteral("saveSettingsButton"));
  saveButton_->setMinimumSize(96, 28);
  bottomRow->addWidget(loginPromptShown_);
  bottomRow->addStretch(1);
  bottomRow->addWidget(saveButton_);
  column->addLayout(bottomRow);
  column->addStretch(1);

  for (auto* box : {downloadPictures_, customSaleProps_, loginPromptShown_}) {
    connect(box, &QCheckBox::toggled, this, &SettingsPage::publish);
  }
  for (auto* button : {keepLinks_, removeLinks_, replaceLinks_, businessAssistant_, taobaoAssistant_}) {
    connect(button, &QRadioButton::toggled, this, &SettingsPage::publish);
  }
  connect(replacementLink_, &QLineEdit::textChanged, this, &SettingsPage::publish);
  connect(mappingList_, &QPlainTextEdit::textChanged, this, &SettingsPage::publish);
  connect(addMappingButton_, &QPushButton::clicked, this, &SettingsPage::addAttributeMapping);
  connect(saveButton_, &QPushButton::clicked, this, &SettingsPage::saveSettings);
  publish();
}

QRadioButton* SettingsPage::linkModeButton(LinkMode mode) const {
  switch (mode) {
    case LinkMode::KeepLinks: return keepLinks_;
    case LinkMode::RemoveLinks: return removeLinks_;
    case LinkMode::ReplaceLinks: return replaceLinks_;
  }
  return nullptr;
}

Settings SettingsPage::controlSettings() const {
  Settings settings;
  settings.downloadDescriptionPictures = downloadPictures_->isChecked();
  settings.customSalePropsToStandard = customSaleProps_->isChecked();
  settings.linkMode = keepLinks_->isChecked()     ? LinkMode::KeepLinks
                      : removeLinks_->isChecked() ? LinkMode::RemoveLinks
                                                  : LinkMode::ReplaceLinks;
  settings.replacementLink = fromQt(replacementLink_->text());
  settings.attributeMappingList = boxTextToSettings(mappingList_->toPlainText());
  settings.packageChoice =
      businessAssistant_->isChecked() ? OutputKind::BusinessAssistant : OutputKind::TaobaoAssistant;
  settings.loginPromptShown = loginPromptShown_->isChecked();
  return settings;
}

void SettingsPage::showControlSettings(const Settings& settings) {
  showing_ = true;
  downloadPictures_->setChecked(settings.downloadDescriptionPictures);
  customSaleProps_->setChecked(settings.customSalePropsToStandard);
  linkModeButton(settings.linkMode)->setChecked(true);
  replacementLink_->setText(toQt(settings.replacementLink));
  mappingList_->setPlainText(settingsTextToBox(settings.attributeMappingList));
  (settings.packageChoice == OutputKind::BusinessAssistant ? businessAssistant_ : taobaoAssistant_)
      ->setChecked(true);
  showing_ = false;
  publish();
}

void SettingsPage::publish() {
  if (showing_) return;
  Settings shown = controlSettings();
  snapshot_.update([&shown](Settings& settings) {
    settings.downloadDescriptionPictures = shown.downloadDescriptionPictures;
    settings.customSalePropsToStandard = shown.customSalePropsToStandard;
    settings.linkMode = shown.linkMode;
    settings.replacementLink = shown.replacementLink;
    settings.attributeMappingList = shown.attributeMappingList;
    settings.packageChoice = shown.packageChoice;
    settings.loginPromptShown = shown.loginPromptShown;
  });
}

void SettingsPage::loadSettings() {
  Settings loaded = readSettings(ProfileFile::load(settingsFile_), controlSettings());
  showControlSettings(loaded);
  snapshot_.setOutputKind(loaded.packageChoice);
}

void SettingsPage::saveSettings() {
  Settings settings = controlSettings();
  auto result = writeSettingsFile(settingsFile_, settings);
  if (result.outcome == SaveSettingsOutcome::MissingReplacementLink) {
    if (dialogs_) dialogs_->message("请填写待替换链接！", "信息：");
    return;
  }
  snapshot_.setOutputKind(settings.packageChoice);
  if (!dialogs_) return;
  if (result.outcome == SaveSettingsOutcome::WriteFailed) {
    dialogs_->message("配置没有保存！" + result.error, "提示");
  } else {
    dialogs_->message("已经保存！", "提示");
  }
}

void SettingsPage::addAttributeMapping() {
  if (sourceName_->text().isEmpty() || targetName_->text().isEmpty()) {
    if (dialogs_) dialogs_->message("上下属性名不能为空", "提示");
    return;
  }
  // Appended right behind whatever the box holds, also when it does not end with a line break.
  mappingList_->setPlainText(mappingList_->toPlainText() + sourceName_->text() + QStringLiteral("==") +
                             targetName_->text() + QStringLiteral("\n"));
  sourceName_->clear();
  targetName_->clear();
}

}  // namespace kestrune
