#include "platform/ui/Menus.h"

#include <algorithm>
#include <utility>

#include <QAction>
#include <QActionGroup>
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
    const bool enabled = enabled_ && (!action_ || action_->Enabled());
    qaction_->setSeparator(caption == "-");
    SetCaptionText(qaction_, MenuText(caption));
    qaction_->setEnabled(enabled);
    qaction_->setVisible(visible_ && (!action_ || action_->Visible()));
    qaction_->setCheckable(checked_ || radioItem_);
    qaction_->setChecked(checked_);
    qaction_->setStatusTip(DecodeInterface(hint_));
    if (!items_.empty()) {
        if (!qmenu_) qmenu_ = new QMenu();
        qmenu_->setTitle(MenuText(caption));
        SetCaptionText(qmenu_->menuAction(), MenuText(caption));
        qmenu_->setFont(ToQFont(*ScreenFonts().MenuFont));
        qmenu_->clear();
        // Radio items of one group share an exclusive group, so they show as radio buttons. The
        // groups are made afresh; every action leaves its old group before that group goes.
        for (TMenuItem* item : items_) LeaveGroup(item->qaction_);
        for (QObject* child : qmenu_->children())
            if (auto* group = qobject_cast<QActionGroup*>(child)) delete group;
        std::map<int, QActionGroup*> groups;
        for (TMenuItem* item : items_) {
            item->Build();
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
        AssignMnemonics(qmenu_->actions());
        qaction_->setMenu(qmenu_);
    } else if (qmenu_) {
        qaction_->setMenu(nullptr);
        delete qmenu_.data();
    }
    // A caption changed on its own: its menu's mnemonics again (the others keep theirs).
    if (parent_ && parent_->qmenu_) AssignMnemonics(parent_->qmenu_->actions());
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
    bar_->setFont(ToQFont(*ScreenFonts().MenuFont));
    bar_->clear();
    for (TMenuItem* item : items_->items_) {
        item->Build();
        if (item->items_.empty()) {
            bar_->addAction(item->qaction_);
        } else {
            bar_->addMenu(item->qmenu_);
            // The sub-menu's own action carries visibility and the enabled state.
            item->qmenu_->menuAction()->setVisible(item->qaction_->isVisible());
            item->qmenu_->menuAction()->setEnabled(item->qaction_->isEnabled());
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
        DeferUpdate(this, [this] {
            const bool again = std::exchange(rebuildPending_, false);
            Changed(nullptr, again);
        });
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

bool TMainMenu::RebuildsWhenBatchEnds() const { return bar_ && !Loading() && !Destroying() && UpdateBatchOpen(); }

void TMainMenu::Loaded() {
    rtti::TComponent::Loaded();
    Rebuild();
}

void TMainMenu::GetChildren(const std::function<void(rtti::TComponent*)>& proc, rtti::TComponent* root) const {
    items_->GetChildren(proc, root);
}

}  // namespace ui
