// The tool windows the main window opens: find, the favourites (menu, save,
// organiser) and the sleep timer.

#include "app/app_kesto.h"

#include "controls/gorse_listbox.h"
#include "playback/next_entry.h"
#include "player/player.h"
#include "playlist/find_form.h"
#include "tools/favorites_form.h"
#include "tools/favorites_list.h"
#include "tools/input_form.h"
#include "tools/sleep_timer_form.h"

#include <QAction>
#include <QMenu>
#include <QTimer>

namespace kesto {

namespace {

constexpr int kFixedFavoriteItems = 3; // the two commands and the separator
constexpr int kFavoriteShortcuts = 9;  // Ctrl+1 ... Ctrl+9

// Menu texts are shown as they are: an "&" in a title is no mnemonic.
QString menuText(const std::string& title) {
    return QString::fromStdString(title).replace(QLatin1Char('&'), QStringLiteral("&&"));
}

} // namespace

void TAppKesto::connectToolCommands() {
    const Actions& a = actions();
    connect(this, &TAppKesto::findRequested, this, &TAppKesto::openFindForm);
    connect(a.FindAc, &QAction::triggered, this, [this] { openFindForm(QString()); });
    connect(a.FavoritesAddAc, &QAction::triggered, this,
            [this] { runListCommand([this] { favoritesAddCommand(); }); });
    connect(a.FavoritesOrganize, &QAction::triggered, this, [this] { favoritesOrganizeCommand(); });
    connect(a.SleepTimerAc, &QAction::triggered, this, [this] { sleepTimerCommand(); });
}

bool TAppKesto::askLine(const QString& caption, const QString& prompt, QString& text) {
    const auto loop = player_->nestedLoops.enter();
    if (textHook)
        return textHook(caption, prompt, text);
    if (!input_)
        input_ = std::make_unique<TInput_Form>(this);
    return AskText(*input_, caption, prompt, text);
}

void TAppKesto::openFindForm(const QString& seed) {
    if (!player_)
        return;
    if (!find_)
        find_ = std::make_unique<TFind_Form>(*player_, this);
    const QPalette& colours = ListScreen->palette();
    find_->setListLook(style_.font(), style_.background.resolve(colours),
                       style_.fontColor.resolve(colours));
    {
        // The result rows are playlist indexes: list changes wait until it closes.
        const auto loop = player_->nestedLoops.enter();
        find_->OpenFind(seed.toStdString());
    }
    // A queue toggled there changes what plays next.
    playOrderChanged(*player_);
}

void TAppKesto::buildFavoritesMenu() {
    const QList<QAction*> items = FavoritesMenu->actions();
    for (qsizetype i = kFixedFavoriteItems; i < items.size(); ++i)
        delete items[i];
    const std::vector<std::string> files = FavoriteList(favoritesFolder(player_->paths));
    for (std::size_t i = 0; i < files.size(); ++i) {
        QAction* item = FavoritesMenu->addAction(menuText(favoriteTitle(files[i])));
        item->setObjectName(QStringLiteral("Favorite%1").arg(i));
        if (i < kFavoriteShortcuts)
            item->setShortcut(QKeySequence(Qt::CTRL | static_cast<Qt::Key>(Qt::Key_1 + i)));
        const int position = static_cast<int>(i) + kFixedFavoriteItems;
        connect(item, &QAction::triggered, this, [this, position] {
            runListCommand([this, position] { openFavoriteAt(position); });
        });
    }
}

void TAppKesto::openFavoriteAt(int position) {
    // The folder is read again: it may have changed since the menu was built.
    const std::vector<std::string> files = FavoriteList(favoritesFolder(player_->paths));
    const int index = position - kFixedFavoriteItems;
    if (index >= 0 && static_cast<std::size_t>(index) < files.size())
        OpenFavorite(*player_, files[static_cast<std::size_t>(index)]);
}

void TAppKesto::favoritesAddCommand() {
    const bool saved = FavoritesAdd(*player_, [this](const std::string& suggestion) {
        QString text = QString::fromStdString(suggestion);
        std::optional<std::string> answer;
        if (askLine(QStringLiteral("添加播放列表到收藏夹"), QStringLiteral("名称"), text))
            answer = text.toStdString();
        return answer;
    });
    if (saved)
        buildFavoritesMenu();
}

void TAppKesto::favoritesOrganizeCommand() {
    if (!favorites_) {
        favorites_ = std::make_unique<TFavorites_Form>(*player_, this);
        favorites_->openFolder = [this](const QString& folder) {
            openOnDesktop(folder, "这个桌面没有可以打开文件夹的文件管理器。\r\r");
        };
        favorites_->askTitle = [this](const std::string& title) {
            QString text = QString::fromStdString(title);
            std::optional<std::string> answer;
            if (askLine(QStringLiteral("编辑播放列表标题"), QStringLiteral("Name"), text))
                answer = text.toStdString();
            return answer;
        };
    }
    {
        const auto loop = player_->nestedLoops.enter();
        favorites_->exec();
    }
    buildFavoritesMenu();
}

void TAppKesto::sleepTimerCommand() {
    if (!timer_) {
        timer_ = std::make_unique<TTimer_Form>(*player_, this);
        // The normal exit, once the timer's window has gone.
        timer_->finishProgram = [this] {
            QTimer::singleShot(0, this, [this] { exitCommand(); });
        };
    }
    const auto loop = player_->nestedLoops.enter();
    timer_->exec();
}

} // namespace kesto
