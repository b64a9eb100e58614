#include "prefs/preferences_form.h"

#include "platform/folder_dialog.h"
#include "playback/device_change.h"
#include "playback/volume.h"
#include "player/paths.h"
#include "player/player.h"
#include "player/settings_startup.h"
#include "playlist/entry.h"
#include "playlist/playlist_sort.h"
#include "prefs/associations.h"
#include "prefs/hotkeys_page.h"
#include "prefs/preferences_texts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <charconv>

namespace kesto {

namespace {

QString u(const char* utf8) {
    return QString::fromUtf8(utf8);
}

// The hints keep their line breaks as carriage returns, as the other texts
// of the player do; a tooltip wants newlines.
QString hint(std::initializer_list<const char*> lines) {
    QStringList all;
    for (const char* line : lines)
        all << u(line);
    return all.join('\n');
}

char localeDecimalPoint() {
    const QString point = QLocale().decimalPoint();
    return point.size() == 1 && point[0].unicode() < 0x80 ? static_cast<char>(point[0].unicode())
                                                          : '.';
}

const QString kAssociationHint =
    hint({"如果您在关联时遇到问题，请尝试取消选定后再选定。",
          "如果您的图标遇到问题，请重新启动您的系统。", "",
          "如何将 winamp 关联的播放文件用 Kesto 代替？", "打开 winamp 并取消文件关联选定。", "",
          "如何将 Kesto 关联的播放文件用 winamp 代替？", "取消选定这些勾选框。"});

const QString kSortHint =
    hint({"在载入文件时，排序邻近的文件就将生效。", "", "文件名:", "c:\\album 1\\01.mp3",
          "c:\\album 2\\02.mp3", "c:\\album 1\\03.mp3", "c:\\album 2\\04.mp3", "",
          "路径和文件名:", "c:\\album 1\\01.mp3", "c:\\album 1\\03.mp3", "c:\\album 2\\02.mp3",
          "c:\\album 2\\04.mp3"});

FileAssociations desktopAssociations(Player& player) {
    return FileAssociations(DesktopPlaces::fromEnvironment(), executablePath(), player.settings);
}

} // namespace

TPreferences_Form::TPreferences_Form(Player& player, PreferencesHost host, QWidget* parent)
    : QDialog(parent), player_(player), host_(std::move(host)) {
    setObjectName("TPreferences_Form");
    setWindowTitle(u("设置"));
    setWindowFlag(Qt::WindowStaysOnTopHint);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    browseForFolder = [this](const QString& caption, const QString& prompt) {
        return BrowseForFolder(caption, prompt, this);
    };

    PageList = new QTreeWidget(this);
    PageList->setObjectName("PageList");
    PageList->setHeaderHidden(true);
    PageList->setRootIsDecorated(false);
    PageList->setItemsExpandable(false);
    PageList->setSelectionBehavior(QAbstractItemView::SelectRows);
    PageList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    for (const char* caption : {"配置", "媒体", "显示", "热键", "录制", "设备"})
        PageList->addTopLevelItem(new QTreeWidgetItem(QStringList{u(caption)}));
    PageList->setFixedWidth(112);

    const auto group = [this](const char* name, const char* caption) {
        auto* box = new QGroupBox(u(caption), this);
        box->setObjectName(name);
        pages_.push_back(box);
        return box;
    };
    GroupSetup = group("GroupSetup", "配置");
    GroupMedia = group("GroupMedia", "媒体");
    GroupDisplay = group("GroupDisplay", "显示");
    GroupHotkeys = group("GroupHotkeys", "全局热键");
    GroupRecord = group("GroupRecord", "录制");
    GroupDevice = group("GroupDevice", "设备");
    buildSetupPage();
    buildMediaPage();
    buildDisplayPage();
    buildHotkeysPage();
    buildRecordPage();
    buildDevicePage();

    CloseButton = new QPushButton(u("关闭(&C)"), this);
    CloseButton->setObjectName("CloseButton");
    CloseButton->setDefault(true);
    CloseButton->setMinimumSize(73, 25);
    connect(CloseButton, &QPushButton::clicked, this, &QDialog::reject);

    // Every page sits in the same place; only the chosen one shows.
    auto* pageArea = new QGridLayout;
    for (QGroupBox* page : pages_) {
        pageArea->addWidget(page, 0, 0);
        page->hide();
    }
    auto* top = new QHBoxLayout;
    top->addWidget(PageList);
    top->addLayout(pageArea, 1);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch(1);
    bottom->addWidget(CloseButton);
    auto* all = new QVBoxLayout(this);
    all->addLayout(top, 1);
    all->addLayout(bottom);

    connect(PageList, &QTreeWidget::currentItemChanged, this,
            [this] { showPage(PageList->indexOfTopLevelItem(PageList->currentItem())); });

    // The size the largest page needs, and never smaller than the window
    // always was; Chinese captions in the user's font must not be cut.
    for (QGroupBox* page : pages_)
        page->show();
    const QSize needed = sizeHint().expandedTo(QSize(427, 329));
    for (QGroupBox* page : pages_)
        page->hide();
    setFixedSize(needed);
}

void TPreferences_Form::buildSetupPage() {
    LabelAss = new QLabel(u("对于这些文件类型使用 Kesto 打开"), GroupSetup);
    auto* types = new QHBoxLayout;
    const auto typeBox = [&](QCheckBox*& box, const char* name, const char* caption,
                             const char* extension) {
        box = new QCheckBox(u(caption), GroupSetup);
        box->setObjectName(name);
        types->addWidget(box);
        connect(box, &QCheckBox::clicked, this,
                [this, extension](bool checked) { associationClicked(extension, checked); });
    };
    typeBox(CheckBox1, "CheckBox1", "&WAV", "wav");
    typeBox(CheckBox2, "CheckBox2", "&MP3", "mp3");
    typeBox(CheckBox3, "CheckBox3", "&OGG", "ogg");
    typeBox(CheckBox7, "CheckBox7", "&PLS", "pls");
    typeBox(CheckBox8, "CheckBox8", "&M3U", "m3u");
    types->addStretch(1);

    Label3 = new QLabel(u("在资源管理器中双击一个文件时"), GroupSetup);
    RadioEnqueue1 = new QRadioButton(u("播放并清空列表(&E)"), GroupSetup);
    RadioEnqueue2 = new QRadioButton(u("添加文件到已存在的列表(&A)"), GroupSetup);
    RadioEnqueue3 = new QRadioButton(u("播放并打开它所在的文件夹(&F) (默认)"), GroupSetup);
    int option = 0;
    for (QRadioButton* radio : {RadioEnqueue1, RadioEnqueue2, RadioEnqueue3}) {
        radio->setObjectName(QString("RadioEnqueue%1").arg(option + 1));
        connect(radio, &QRadioButton::clicked, this, [this, option] {
            if (!filling_)
                player_.settings.writeEnqueueOption(option);
        });
        ++option;
    }
    CheckBoxUpdate = new QCheckBox(u("保持更新(&U)"), GroupSetup);
    CheckBoxUpdate->setObjectName("CheckBoxUpdate");
    connect(CheckBoxUpdate, &QCheckBox::clicked, this, [this](bool checked) {
        if (filling_)
            return;
        // A fresh start for the weekly check; this run keeps its own value.
        player_.settings.writeBool("General", "AutoUpdate", checked);
        player_.settings.writeLastVersionCheck(kZeroDate);
        player_.settings.writeLastNewVersion("none");
    });
    CheckMI = new QCheckBox(u("多个实例(&M)"), GroupSetup);
    CheckMI->setObjectName("CheckMI");
    connect(CheckMI, &QCheckBox::clicked, this, [this](bool checked) {
        if (!filling_)
            player_.settings.writeBool("General", "MultipleInstances", checked);
    });

    auto* layout = new QVBoxLayout(GroupSetup);
    layout->addWidget(LabelAss);
    layout->addLayout(types);
    layout->addSpacing(6);
    layout->addWidget(Label3);
    layout->addWidget(RadioEnqueue1);
    layout->addWidget(RadioEnqueue2);
    layout->addWidget(RadioEnqueue3);
    layout->addSpacing(6);
    layout->addWidget(CheckBoxUpdate);
    layout->addWidget(CheckMI);
    layout->addStretch(1);
}

void TPreferences_Form::buildMediaPage() {
    auto* label = new QLabel(u("您的音乐文件夹"), GroupMedia);
    ListMusicFolders = new QListWidget(GroupMedia);
    ListMusicFolders->setObjectName("ListMusicFolders");
    ListMusicFolders->setSelectionMode(QAbstractItemView::ExtendedSelection);
    Button4 = new QPushButton(u("添加(&A)"), GroupMedia);
    Button4->setObjectName("Button4");
    Button5 = new QPushButton(u("删除(&D)"), GroupMedia);
    Button5->setObjectName("Button5");
    connect(Button4, &QPushButton::clicked, this, [this] {
        const QString folder =
            browseForFolder(u("设置您的音乐文件夹"),
                            u("请选择包含所有您的音乐文件的文件夹。\r例如: c:\\my files\\mp3\\"));
        std::vector<std::string> folders = player_.playlist.RootMediaList;
        if (!folder.isEmpty())
            folders.push_back(folder.toStdString());
        storeMusicFolders(std::move(folders));
    });
    connect(Button5, &QPushButton::clicked, this, [this] {
        std::vector<std::string> folders;
        for (int i = 0; i < ListMusicFolders->count(); ++i)
            if (i != ListMusicFolders->currentRow())
                folders.push_back(ListMusicFolders->item(i)->text().toStdString());
        storeMusicFolders(std::move(folders));
    });
    Label16 = new QLabel(u("在添加文件时排序"), GroupMedia);
    RadioSort1 = new QRadioButton(u("按文件名(&F)"), GroupMedia);
    RadioSort1->setObjectName("RadioSort1");
    RadioSort2 = new QRadioButton(u("按路径和文件名(&P) (默认)"), GroupMedia);
    RadioSort2->setObjectName("RadioSort2");
    connect(RadioSort1, &QRadioButton::clicked, this,
            [this] { sortClicked(SortingWay::FileName); });
    connect(RadioSort2, &QRadioButton::clicked, this,
            [this] { sortClicked(SortingWay::WholeEntry); });

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(Button4);
    buttons->addWidget(Button5);
    auto* layout = new QVBoxLayout(GroupMedia);
    layout->addWidget(label);
    layout->addWidget(ListMusicFolders, 1);
    layout->addLayout(buttons);
    layout->addWidget(Label16);
    layout->addWidget(RadioSort1);
    layout->addWidget(RadioSort2);
}

void TPreferences_Form::buildDisplayPage() {
    auto* label = new QLabel(u("校准分贝电平指示器"), GroupDisplay);
    RadioLed0 = new QRadioButton(u("隐藏(&H)"), GroupDisplay);
    RadioLed0->setObjectName("RadioLed0");
    RadioLed6 = new QRadioButton(u("&7 leds"), GroupDisplay);
    RadioLed6->setObjectName("RadioLed6");
    RadioLed14 = new QRadioButton(u("&14 leds"), GroupDisplay);
    RadioLed14->setObjectName("RadioLed14");
    auto* scale6 = new QLabel(u("-60 30 15 6 3 1"), GroupDisplay);
    auto* scale14 = new QLabel(u("-oo 60 40 30 20 15 12 10 8 6 4 2 0"), GroupDisplay);
    const std::pair<QRadioButton*, VUStyle> styles[] = {{RadioLed0, VUStyle::None},
                                                        {RadioLed6, VUStyle::SevenLeds},
                                                        {RadioLed14, VUStyle::FourteenLeds}};
    for (const auto& [radio, style] : styles) {
        connect(radio, &QRadioButton::clicked, this, [this, style = style] {
            if (!filling_ && host_.setVUStyle)
                host_.setVUStyle(style);
        });
    }
    auto* layout = new QGridLayout(GroupDisplay);
    layout->addWidget(label, 0, 0, 1, 2);
    layout->addWidget(RadioLed0, 1, 0);
    layout->addWidget(RadioLed6, 2, 0);
    layout->addWidget(scale6, 2, 1);
    layout->addWidget(RadioLed14, 3, 0);
    layout->addWidget(scale14, 3, 1);
    layout->setColumnStretch(1, 1);
    layout->setRowStretch(4, 1);
}

void TPreferences_Form::buildHotkeysPage() {
    hotkeys = new HotkeysPage(GroupHotkeys, player_.settings);
}

void TPreferences_Form::buildRecordPage() {
    auto* label = new QLabel(u("录制在线音乐的临时文件路径:"), GroupRecord);
    Edit2 = new QLineEdit(GroupRecord);
    Edit2->setObjectName("Edit2");
    Edit2->setReadOnly(true);
    Edit2->setBackgroundRole(QPalette::Button);
    Edit2->setToolTip(
        u("录制后是 wave 格式，一分钟音乐大约需要 11MB。所以请选择一个容量大的驱动器。"));
    connect(Edit2, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (!filling_)
            player_.settings.writeString("General", "RecordTempPath", text.toStdString());
    });
    Button10 = new QPushButton(u("..."), GroupRecord);
    Button10->setObjectName("Button10");
    Button10->setFixedWidth(32);
    connect(Button10, &QPushButton::clicked, this, [this] {
        const QString folder = browseForFolder(
            u("请选择临时文件夹"), u("选择一个拥有足够空间的驱动器或文件夹来保存临时录制文件。"));
        Edit2->setText(folder.isEmpty() ? QString::fromStdString(GetTempDir()) : folder);
    });
    CheckBox6 = new QCheckBox(u("使用预录制缓冲(&R)"), GroupRecord);
    CheckBox6->setObjectName("CheckBox6");
    CheckBox6->setToolTip(hint({"使用预录制缓冲可以使您在录制时不丢失歌曲的开始部分。",
                                "它将在您播放在线音乐时默默地录制。当您按下[录制]时，",
                                "实际上它已经录制了好几秒。当录制完成时，您可以使用",
                                "一款声音编辑器来使您录制的内容变的非常完美。", "",
                                "因为它是您系统的一种负荷，如果您从不录制实况流媒体，",
                                "请禁用此功能。同时将不再执行前几秒的录制。"}));
    connect(CheckBox6, &QCheckBox::clicked, this, [this](bool checked) {
        if (!filling_)
            player_.settings.writeBool("General", "RecordAhead", checked);
    });
    Edit3 = new QLineEdit(GroupRecord);
    Edit3->setObjectName("Edit3");
    Edit3->setFixedWidth(56);
    connect(Edit3, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (filling_)
            return;
        const std::string digits = text.toStdString();
        int seconds = 0;
        const auto [end, error] =
            std::from_chars(digits.data(), digits.data() + digits.size(), seconds);
        if (!digits.empty() && error == std::errc() && end == digits.data() + digits.size())
            player_.settings.writeInt("General", "RecordSecAhead", seconds);
    });
    auto* path = new QHBoxLayout;
    path->addWidget(Edit2, 1);
    path->addWidget(Button10);
    auto* ahead = new QHBoxLayout;
    ahead->addWidget(CheckBox6);
    ahead->addWidget(Edit3);
    ahead->addWidget(new QLabel(u("秒"), GroupRecord));
    ahead->addStretch(1);
    auto* layout = new QVBoxLayout(GroupRecord);
    layout->addWidget(label);
    layout->addLayout(path);
    layout->addSpacing(8);
    layout->addLayout(ahead);
    layout->addStretch(1);
}

void TPreferences_Form::buildDevicePage() {
    auto* label = new QLabel(u("Kesto 输出:"), GroupDevice);
    ComboDevice = new QComboBox(GroupDevice);
    ComboDevice->setObjectName("ComboDevice");
    connect(ComboDevice, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (!filling_ && index >= 0)
            deviceChosen(index);
    });
    Button6 = new QPushButton(u("重置声卡驱动混音器(&R)"), GroupDevice);
    Button6->setObjectName("Button6");
    connect(Button6, &QPushButton::clicked, this, [this] { resetMixerClicked(); });
    auto* details = new QLabel(u("声音的详细资料:"), GroupDevice);
    LabelBufferlength = new QLabel(GroupDevice);
    LabelBufferlength->setObjectName("LabelBufferlength");
    auto* gapless = new QLabel(u("在更换 MP3 音轨时使用无缝回放"), GroupDevice);
    auto* direct = new QLabel(u("无 EQ 或滤波器: 纯粹直接输出"), GroupDevice);
    LabelVoldB = new QLabel(u("Kesto 输出音量: "), GroupDevice);
    LabelVoldB->setObjectName("LabelVoldB");
    auto* reset = new QHBoxLayout;
    reset->addWidget(Button6);
    reset->addStretch(1);
    auto* layout = new QVBoxLayout(GroupDevice);
    layout->addWidget(label);
    layout->addWidget(ComboDevice);
    layout->addLayout(reset);
    layout->addSpacing(8);
    layout->addWidget(details);
    for (QLabel* note : {LabelBufferlength, gapless, direct, LabelVoldB})
        layout->addWidget(note);
    layout->addStretch(1);
}

void TPreferences_Form::showPreferences() {
    fill();
    exec();
}

void TPreferences_Form::fill() {
    filling_ = true;
    Settings& settings = player_.settings;

    const FileAssociations associations = desktopAssociations(player_);
    const std::pair<QCheckBox*, const char*> types[] = {{CheckBox1, "wav"},
                                                        {CheckBox2, "mp3"},
                                                        {CheckBox3, "ogg"},
                                                        {CheckBox7, "pls"},
                                                        {CheckBox8, "m3u"}};
    for (const auto& [box, extension] : types)
        box->setChecked(associations.IsTypeClaimed(extension));

    CheckBoxUpdate->setChecked(host_.autoUpdateAtStart ? host_.autoUpdateAtStart() : true);
    switch (settings.readEnqueueOption()) {
    case 0:
        RadioEnqueue1->setChecked(true);
        break;
    case 1:
        RadioEnqueue2->setChecked(true);
        break;
    case 2:
        RadioEnqueue3->setChecked(true);
        break;
    default:
        break; // an unknown value leaves the radios as they are
    }
    CheckMI->setChecked(settings.readBool("General", "MultipleInstances", false));
    const VUStyle style = host_.vuStyle ? host_.vuStyle() : VUStyle::SevenLeds;
    RadioLed0->setChecked(style == VUStyle::None);
    RadioLed6->setChecked(style == VUStyle::SevenLeds);
    RadioLed14->setChecked(style == VUStyle::FourteenLeds);

    CheckBoxUpdate->setToolTip(
        hint({"为了使用最新的改进功能，Kesto 将每周检查一次是否有可用的更新。",
              "如果有的话，它将在启动时提示您。"}));
    for (QWidget* w : std::initializer_list<QWidget*>{CheckBox1, CheckBox2, CheckBox3, LabelAss})
        w->setToolTip(kAssociationHint);
    Label3->setToolTip(hint({"提示: 通过双击一个文件启动 Kesto，将拥有各自的窗口大小设置。",
                             "请将它缩小到您可以在资源管理器中查看它。"}));
    ListMusicFolders->setToolTip(
        hint({"音乐文件夹的便利之处:",
              "1. 在打开的文件夹对话框里，您可以选择您的根目录以加快访问您的文件。",
              "2. 当要保持子文件夹完整时，请使用相对路径查看播放列表，从路径名移除",
              "    您的音乐文件夹。这个时候您可以使用这些文件夹如下格式",
              "    流派 > 歌手名字 > 专辑名称 > 歌曲标题", "3. 您可以通过这里访问您的网络驱动器。",
              "", "大多数人只拥有一个音乐文件夹。"}));
    for (QWidget* w : std::initializer_list<QWidget*>{RadioSort1, RadioSort2, Label16})
        w->setToolTip(kSortHint);

    ListMusicFolders->clear();
    for (const std::string& folder : player_.playlist.RootMediaList)
        ListMusicFolders->addItem(QString::fromStdString(folder));
    (player_.playlist.SortingWay != SortingWay::WholeEntry ? RadioSort1 : RadioSort2)
        ->setChecked(true);

    ComboDevice->clear();
    LabelBufferlength->setText(QString::fromStdString(
        bufferLengthText(ClassifyEntry(player_.playlist.PlayingEntry) == EntryKind::Stream)));
    for (int device = 1;; ++device) {
        const std::optional<std::string> name = player_.audio.GetDeviceDescription(device);
        if (!name)
            break;
        ComboDevice->addItem(QString::fromStdString(*name));
    }
    LabelVoldB->setText(
        u("Kesto 输出电平:     ") +
        QString::fromStdString(levelText(player_.transport.Volume, localeDecimalPoint())));
    const int device = settings.readInt("General", "Device", 1);
    ComboDevice->setCurrentIndex(device >= 1 && device <= ComboDevice->count() ? device - 1 : -1);

    hotkeys->fill(host_.hotkeysWork && host_.hotkeysWork());
    if (host_.unregisterHotkeys)
        host_.unregisterHotkeys();

    Edit2->setText(QString::fromStdString(settings.readString("General", "RecordTempPath", "")));
    Edit3->setText(QString::number(settings.readInt("General", "RecordSecAhead", 120)));
    CheckBox6->setChecked(settings.readBool("General", "RecordAhead", false));

    // A remembered page the window never stores falls back to the first.
    int page = settings.readInt("General", "PreferencesHistory", 0);
    if (page < 0 || page >= PageCount)
        page = 0;
    PageList->setCurrentItem(PageList->topLevelItem(page));
    showPage(page);
    PageList->setFocus();
    filling_ = false;
}

void TPreferences_Form::showPage(int index) {
    for (QGroupBox* page : pages_)
        page->hide();
    if (index >= 0 && index < static_cast<int>(pages_.size()))
        pages_[static_cast<std::size_t>(index)]->show();
}

void TPreferences_Form::associationClicked(const char* extension, bool checked) {
    if (filling_)
        return;
    FileAssociations associations = desktopAssociations(player_);
    if (checked)
        associations.ClaimType(extension);
    else
        associations.ReleaseType(extension);
}

void TPreferences_Form::storeMusicFolders(std::vector<std::string> folders) {
    if (filling_)
        return;
    for (std::string& folder : folders)
        if (!folder.empty() && folder.back() != '/')
            folder += '/';
    if (folders.size() > static_cast<std::size_t>(kMaxRootMedia))
        folders.resize(static_cast<std::size_t>(kMaxRootMedia));
    const auto [dir, drive] =
        host_.dirBoxKeys ? host_.dirBoxKeys() : std::pair<std::string, std::string>{};
    saveRootMedia(player_.settings, folders, dir, drive);
    // The list in memory is what the user chose, even when a read-only
    // settings file could not keep it.
    player_.playlist.RootMediaList = folders;
    ListMusicFolders->clear();
    for (const std::string& folder : folders)
        ListMusicFolders->addItem(QString::fromStdString(folder));
    if (host_.musicFoldersChanged)
        host_.musicFoldersChanged();
}

void TPreferences_Form::sortClicked(SortingWay way) {
    if (filling_)
        return;
    player_.playlist.SortingWay = way;
    SortPlaylist(player_, way);
}

void TPreferences_Form::deviceChosen(int index) {
    ChangeOutputDevice(player_, index + 1);
}

void TPreferences_Form::resetMixerClicked() {
    ResetMixer(player_);
    LabelVoldB->setText(
        u("Kesto 输出电平:     ") +
        QString::fromStdString(rawLevelText(player_.transport.Volume, localeDecimalPoint())));
}

void TPreferences_Form::done(int result) {
    const int page = PageList->indexOfTopLevelItem(PageList->currentItem());
    player_.settings.writeInt("General", "PreferencesHistory", page < 0 ? 0 : page);
    if (host_.registerHotkeys)
        host_.registerHotkeys(page == Hotkeys);
    desktopAssociations(player_).notifyDesktop();
    QDialog::done(result);
}

} // namespace kesto
