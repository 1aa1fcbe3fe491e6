#include "platform/ui/Menus.h"

#include <algorithm>
#include <utility>

#include <QAction>
#include <QActionEvent>
#include <QActionGroup>
#include <QCoreApplication>
#include <QMenu>
#include <QMenuBar>

#include "platform/ui/ActnList.h"
#include "platform/ui/Application.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Mnemonics.h"
#include "platform/ui/Text8.h"
#include "platform/ui/UpdateBatch.h"

namespace ui {

namespace {

// Menu captions are shown with the menu font's character set, else the interface code page.
QString MenuText(const AnsiString& caption) { return DecodeForCharset(caption, ScreenFonts().MenuFont->Charset()); }

void LeaveGroup(QAction* action) {
    if (action && action->actionGroup()) action->actionGroup()->removeAction(action);
}

// A shown menu bar lays out all of its entries again on every change of one of its actions (a
// text, a check mark): a rebuild changes several properties of each. While one of these lives,
// the bar's action changes are held back, and the bar gets one of them at the end. A native menu
// bar syncs each change with the desktop's menu and is left alone.
class THeldBarChanges : public QObject {
public:
    explicit THeldBarChanges(QMenuBar* bar) : bar_(bar) {
        if (bar_ && !bar_->isNativeMenuBar()) bar_->installEventFilter(this);
        else bar_ = nullptr;
    }
    ~THeldBarChanges() override {
        if (!bar_) return;
        bar_->removeEventFilter(this);
        if (held_ && !bar_->actions().isEmpty()) {
            QActionEvent changed(QEvent::ActionChanged, bar_->actions().constFirst());
            QCoreApplication::sendEvent(bar_, &changed);
        }
    }
    THeldBarChanges(const THeldBarChanges&) = delete;
    THeldBarChanges& operator=(const THeldBarChanges&) = delete;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != bar_ || event->type() != QEvent::ActionChanged) return false;
        held_ = true;
        return true;
    }

private:
    QPointer<QMenuBar> bar_;
    bool held_ = false;
};

}  // namespace

// ---- TMenuItem ---------------------------------------------------------------------------------

const rtti::TClassInfo* TMenuItem::StaticClass() {
    using C = TMenuItem;
    using namespace rtti;
    static const TClassInfo info(
        "TMenuItem", TComponent::StaticClass(), Creator<C>(),
        {
            pub::Reference<C>("Action", TAction::StaticClass(), [](const C& c) -> TPersistent* { return c.Action(); },
                              [](C& c, TPersistent* v) { c.SetAction(dynamic_cast<TAction*>(v)); }),
            pub::String<C>("Caption", &C::Caption, &C::SetCaption),
            pub::Bool<C>("Checked", &C::Checked, &C::SetChecked, false),
            pub::Bool<C>("Enabled", &C::Enabled, &C::SetEnabled, true),
            pub::Integer<C>("GroupIndex", &C::GroupIndex, &C::SetGroupIndex, 0),
            pub::String<C>("Hint", &C::Hint, &C::SetHint),
            pub::Bool<C>("RadioItem", &C::RadioItem, &C::SetRadioItem, false),
            pub::Bool<C>("Visible", &C::Visible, &C::SetVisible, true),
            pub::Event<C>("OnClick", &C::OnClick),
        });
    return &info;
}

TMenuItem::TMenuItem() : qaction_(new QAction()) {
    QObject::connect(qaction_, &QAction::triggered, [this] {
        // Qt toggles checkable actions by itself; the item's Checked decides.
        qaction_->setChecked(checked_);
        Dispatch([this] { Click(); });
    });
}

TMenuItem::~TMenuItem() {
    if (action_) action_->RemoveClient(this);
    // The radio groups go with this item's menu: the sub-items' actions leave them first.
    for (TMenuItem* item : items_) {
        LeaveGroup(item->qaction_);
        item->parent_ = nullptr;
    }
    LeaveGroup(qaction_);
    if (parent_) {
        TMenuItem* parent = parent_;
        std::erase(parent->items_, this);
        parent_ = nullptr;
        if (!parent->Destroying()) parent->Changed(true);
    }
    delete qmenu_.data();
    delete qaction_;
}

AnsiString TMenuItem::Caption() const {
    if (caption_) return *caption_;
    return action_ ? action_->Caption() : AnsiString();
}

void TMenuItem::SetCaption(const AnsiString& caption) {
    caption_ = caption;
    Changed(true);
}

void TMenuItem::SetAction(TAction* action) {
    if (action_ == action) return;
    if (action_) action_->RemoveClient(this);
    action_ = action;
    if (action_) action_->AddClient(this);
    Changed(true);
}

void TMenuItem::SetChecked(bool on) {
    if (on && radioItem_ && parent_) {
        for (TMenuItem* sibling : parent_->items_)
            if (sibling != this && sibling->radioItem_ && sibling->groupIndex_ == groupIndex_ && sibling->checked_) {
                sibling->checked_ = false;
                sibling->Build();
            }
    }
    checked_ = on;
    Changed(false);
}

void TMenuItem::SetRadioItem(bool on) {
    radioItem_ = on;
    Changed(true);
}
void TMenuItem::SetGroupIndex(std::int32_t index) {
    groupIndex_ = index;
    Changed(true);
}
void TMenuItem::SetEnabled(bool on) {
    enabled_ = on;
    Changed(false);
}
void TMenuItem::SetVisible(bool on) {
    visible_ = on;
    Changed(true);
}
void TMenuItem::SetHint(const AnsiString& hint) {
    hint_ = hint;
    Changed(false);
}

TMenuItem* TMenuItem::Items(int index) const {
    if (index < 0 || index >= Count()) rtl::RaiseListIndexError(index);
    return items_[static_cast<std::size_t>(index)];
}

int TMenuItem::IndexOf(const TMenuItem* item) const {
    auto it = std::find(items_.begin(), items_.end(), item);
    return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
}

void TMenuItem::Add(TMenuItem* item) { Insert(Count(), item); }

void TMenuItem::Insert(int index, TMenuItem* item) {
    if (!item || item == this) return;
    if (index < 0 || index > Count()) rtl::RaiseListIndexError(index);
    if (item->parent_) item->parent_->Remove(item);
    items_.insert(items_.begin() + index, item);
    item->parent_ = this;
    Changed(true);
}

void TMenuItem::Remove(TMenuItem* item) {
    if (!item || item->parent_ != this) return;
    std::erase(items_, item);
    LeaveGroup(item->qaction_);
    item->parent_ = nullptr;
    Changed(true);
}

void TMenuItem::Clear() {
    while (!items_.empty()) {
        TMenuItem* item = items_.back();
        Remove(item);
        if (rtti::TComponent* owner = item->Owner()) owner->DestroyComponent(item);
    }
}

TMainMenu* TMenuItem::Menu() const {
    const TMenuItem* item = this;
    while (item->parent_) item = item->parent_;
    return item->menu_;
}

void TMenuItem::Click() {
    if (OnClick.Assigned() && !(action_ && OnClick == action_->OnExecute))
        OnClick(this);
    else if (action_)
        action_->Execute();
}

rtti::TComponent* TMenuItem::GetParentComponent() const {
    if (parent_ && parent_->menu_) return parent_->menu_;
    return parent_;
}

void TMenuItem::SetParentComponent(rtti::TComponent* parent) {
    if (auto* menu = dynamic_cast<TMainMenu*>(parent))
        menu->Items()->Add(this);
    else if (auto* item = dynamic_cast<TMenuItem*>(parent))
        item->Add(this);
}

void TMenuItem::GetChildren(const std::function<void(rtti::TComponent*)>& proc, rtti::TComponent* root) const {
    for (TMenuItem* item : items_)
        if (item->Owner() == root) proc(item);
}

void TMenuItem::ActionChanged() { Changed(true); }

void TMenuItem::Changed(bool rebuild) {
    TMainMenu* menu = Menu();
    // A menu read from a form stream builds its whole tree when it is loaded; building each
    // item (and its parent's whole sub-menu) on every property read would only repeat that.
    if (menu && menu->Loading() && Loading()) return;
    if (menu && menu->RebuildsWhenBatchEnds()) {
        // Built once, with the whole bar, when the batch ends: every caption set on a shown
        // action would lay the bar out again.
        menu->Changed(this, true);
        return;
    }
    Build();
    if (menu) menu->Changed(this, rebuild);
}

void TMenuItem::Build() {
    const AnsiString caption = Caption();
    const QString text = MenuText(caption);
    const bool enabled = enabled_ && (!action_ || action_->Enabled());
    // A parent building its menu (or the bar) assigns the mnemonics over its placed actions right
    // after its items: they show their texts then, once.
    const bool markedNext = parent_ && parent_->buildingSubMenu_;
    qaction_->setSeparator(caption == "-");
    SetCaptionText(qaction_, text, !markedNext || !items_.empty());
    qaction_->setEnabled(enabled);
    qaction_->setVisible(visible_ && (!action_ || action_->Visible()));
    qaction_->setCheckable(checked_ || radioItem_);
    qaction_->setChecked(checked_);
    qaction_->setStatusTip(DecodeInterface(hint_));
    if (!items_.empty()) {
        if (!qmenu_) qmenu_ = new QMenu();
        SetCaptionText(qmenu_->menuAction(), text, !markedNext);  // the menu's title
        qmenu_->setFont(ToQFont(*ScreenFonts().MenuFont));
        BuildSubMenu();
        if (qaction_->menu<QMenu*>() != qmenu_) qaction_->setMenu(qmenu_);
    } else if (qmenu_) {
        qaction_->setMenu(nullptr);
        delete qmenu_.data();
    }
    // A caption changed on its own: its menu's mnemonics again (the others keep theirs). A
    // parent that is building its menu does this once, after all of its items.
    if (parent_ && parent_->qmenu_ && !parent_->buildingSubMenu_) AssignMnemonics(parent_->qmenu_->actions());
}

QAction* TMenuItem::PlacedAction() const { return items_.empty() || !qmenu_ ? qaction_ : qmenu_->menuAction(); }

void TMenuItem::BuildSubMenu() {
    buildingSubMenu_ = true;
    struct TDone {
        bool& flag;
        ~TDone() { flag = false; }
    } done{buildingSubMenu_};
    QList<QAction*> wanted;
    for (TMenuItem* item : items_) {
        item->Build();
        wanted << item->PlacedAction();
    }
    // Captions change far more often than the items: a menu whose actions and radio groups are
    // already as wanted keeps them (clearing and refilling it made Qt lay it out per action).
    if (qmenu_->actions() != wanted || !RadioGroupsAsWanted()) {
        qmenu_->clear();
        // Radio items of one group share an exclusive group, so they show as radio buttons. The
        // groups are made afresh; every action leaves its old group before that group goes.
        for (TMenuItem* item : items_) LeaveGroup(item->qaction_);
        for (QObject* child : qmenu_->children())
            if (auto* group = qobject_cast<QActionGroup*>(child)) delete group;
        std::map<int, QActionGroup*> groups;
        for (TMenuItem* item : items_) {
            if (item->radioItem_) {
                QActionGroup*& group = groups[item->groupIndex_];
                if (!group) group = new QActionGroup(qmenu_);
                group->addAction(item->qaction_);
            }
            if (item->items_.empty())
                qmenu_->addAction(item->qaction_);
            else
                qmenu_->addMenu(item->qmenu_);
        }
    }
    AssignMnemonics(qmenu_->actions());
}

bool TMenuItem::RadioGroupsAsWanted() const {
    std::map<int, QActionGroup*> byIndex;
    std::map<QActionGroup*, int> indexOf;
    for (const TMenuItem* item : items_) {
        QActionGroup* group = item->qaction_->actionGroup();
        if (!item->radioItem_) {
            if (group) return false;
            continue;
        }
        if (!group || group->parent() != qmenu_) return false;
        auto [at, newIndex] = byIndex.emplace(item->groupIndex_, group);
        auto [of, newGroup] = indexOf.emplace(group, item->groupIndex_);
        if (at->second != group || of->second != item->groupIndex_) return false;
    }
    return true;
}

// ---- TMainMenu ---------------------------------------------------------------------------------

const rtti::TClassInfo* TMainMenu::StaticClass() {
    using C = TMainMenu;
    using namespace rtti;
    static const TClassInfo info("TMainMenu", TComponent::StaticClass(), Creator<C>(),
                                 {pub::Event<C>("OnChange", &C::OnChange)});
    return &info;
}

TMainMenu::TMainMenu() : items_(std::make_unique<TMenuItem>()) { items_->menu_ = this; }

TMainMenu::~TMainMenu() {
    CancelUpdate(this);
    items_->menu_ = nullptr;
    for (TMenuItem* item : std::vector<TMenuItem*>(items_->items_)) items_->Remove(item);
    delete bar_.data();
}

QMenuBar* TMainMenu::MenuBar() {
    if (!bar_) {
        bar_ = new QMenuBar();
        Rebuild();
    }
    return bar_;
}

void TMainMenu::Rebuild() {
    if (!bar_) return;
    THeldBarChanges held(bar_);
    bar_->setFont(ToQFont(*ScreenFonts().MenuFont));
    // The bar's mnemonics are worked out once, after all of its entries.
    items_->buildingSubMenu_ = true;
    struct TDone {
        bool& flag;
        ~TDone() { flag = false; }
    } done{items_->buildingSubMenu_};
    QList<QAction*> wanted;
    for (TMenuItem* item : items_->items_) {
        item->Build();
        if (!item->items_.empty()) {
            // The sub-menu's own action carries visibility and the enabled state.
            item->qmenu_->menuAction()->setVisible(item->qaction_->isVisible());
            item->qmenu_->menuAction()->setEnabled(item->qaction_->isEnabled());
        }
        wanted << item->PlacedAction();
    }
    // The bar keeps its actions when they are the wanted ones: a language switch changes only
    // their texts, which Qt shows by itself.
    if (bar_->actions() != wanted) {
        bar_->clear();
        for (TMenuItem* item : items_->items_) {
            if (item->items_.empty())
                bar_->addAction(item->qaction_);
            else
                bar_->addMenu(item->qmenu_);
        }
    }
    AssignMnemonics(bar_->actions());
}

void TMainMenu::Changed(TMenuItem* source, bool rebuild) {
    if (Loading() || Destroying()) return;
    if (UpdateBatchOpen()) {
        // One layout and one notification for the whole batch, with the menu as the source
        // (items changed during it may be gone by its end).
        rebuildPending_ = rebuildPending_ || rebuild;
        notifyPending_ = true;
        DeferPending();
        return;
    }
    if (rebuild) Rebuild();
    if (changing_ > 0) return;
    ++changing_;
    struct TGuard {
        int& n;
        ~TGuard() { --n; }
    } guard{changing_};
    OnChange(source ? static_cast<rtl::TObject*>(source) : this);
}

void TMainMenu::ScreenFontChanged() {
    if (Loading() || Destroying() || !UpdateBatchOpen()) {
        Rebuild();
        return;
    }
    // A switch changes three screen fonts and then the captions: one rebuild at the end.
    rebuildPending_ = true;
    DeferPending();
}

void TMainMenu::DeferPending() {
    DeferUpdate(this, [this] {
        const bool rebuild = std::exchange(rebuildPending_, false);
        if (std::exchange(notifyPending_, false))
            Changed(nullptr, rebuild);
        else if (rebuild)
            Rebuild();
    });
}

bool TMainMenu::RebuildsWhenBatchEnds() const { return bar_ && !Loading() && !Destroying() && UpdateBatchOpen(); }

void TMainMenu::Loaded() {
    rtti::TComponent::Loaded();
    Rebuild();
}

void TMainMenu::GetChildren(const std::function<void(rtti::TComponent*)>& proc, rtti::TComponent* root) const {
    items_->GetChildren(proc, root);
}

}  // namespace ui
