#pragma once
// The main menu and its items, shown in the form's menu bar. Every change of the menu or of one
// of its items (caption, check mark, items added or removed) ends in the menu's OnChange, which
// the main window uses to re-centre its labels after a language switch.

#include <vector>

#include <QMenu>
#include <QMenuBar>
#include <QAction>
#include <QPointer>

#include "platform/rtti/Classes.h"


namespace ui {

using rtl::AnsiString;
class TAction;
class TMainMenu;

class TMenuItem : public rtti::TComponent {
    VLMRK_RTTI_CLASS(TMenuItem)
public:
    TMenuItem();
    ~TMenuItem() override;

    // The item's own caption when it has one, otherwise its action's.
    AnsiString Caption() const;
    void SetCaption(const AnsiString& caption);
    TAction* Action() const { return action_; }
    void SetAction(TAction* action);
    bool Checked() const { return checked_; }
    // Checking a radio item unchecks the other radio items of its group under the same parent.
    void SetChecked(bool on);
    bool RadioItem() const { return radioItem_; }
    void SetRadioItem(bool on);
    std::int32_t GroupIndex() const { return groupIndex_; }
    void SetGroupIndex(std::int32_t index);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool on);
    bool Visible() const { return visible_; }
    void SetVisible(bool on);
    const AnsiString& Hint() const { return hint_; }
    void SetHint(const AnsiString& hint);
    rtti::TMethod OnClick;

    int Count() const { return static_cast<int>(items_.size()); }
    // Raises the list index error outside 0 .. Count-1.
    TMenuItem* Items(int index) const;
    TMenuItem* Parent() const { return parent_; }
    int IndexOf(const TMenuItem* item) const;
    void Add(TMenuItem* item);
    void Insert(int index, TMenuItem* item);
    // Takes the item out of this one (it stays owned by its owner).
    void Remove(TMenuItem* item);
    // Frees every sub-item that the form owns (items added at run time are owned too).
    void Clear();
    bool IsLine() const { return Caption() == "-"; }
    TMainMenu* Menu() const;

    // Runs OnClick, or the action when there is no handler.
    void Click();

    bool HasParent() const override { return true; }
    rtti::TComponent* GetParentComponent() const override;
    void SetParentComponent(rtti::TComponent* parent) override;
    void GetChildren(const std::function<void(rtti::TComponent*)>& proc, rtti::TComponent* root) const override;

    // The action's caption or state changed.
    void ActionChanged();
    QAction* QtAction() const { return qaction_; }
    QMenu* QtMenu() const { return qmenu_; }

private:
    friend class TMainMenu;
    void Changed(bool rebuild);
    void Build();  // fills the QAction and, with sub-items, the QMenu
    // Builds the sub-items and places them in the QMenu (when they are not placed already).
    void BuildSubMenu();
    bool RadioGroupsAsWanted() const;
    // What the parent's menu or the bar holds for this item: its action, or its sub-menu's.
    QAction* PlacedAction() const;

    std::optional<AnsiString> caption_;
    TAction* action_ = nullptr;
    bool checked_ = false;
    bool radioItem_ = false;
    std::int32_t groupIndex_ = 0;
    bool enabled_ = true;
    bool visible_ = true;
    AnsiString hint_;
    std::vector<TMenuItem*> items_;
    TMenuItem* parent_ = nullptr;
    TMainMenu* menu_ = nullptr;  // set on the root item only
    QAction* qaction_ = nullptr;
    QPointer<QMenu> qmenu_;
    bool buildingSubMenu_ = false;
};

class TMainMenu : public rtti::TComponent {
    VLMRK_RTTI_CLASS(TMainMenu)
public:
    TMainMenu();
    ~TMainMenu() override;

    TMenuItem* Items() const { return items_.get(); }
    rtti::TMethod OnChange;
    // The menu bar a form shows; created on first request.
    QMenuBar* MenuBar();
    // Rebuilds the bar and, unless loading, calls OnChange with source as the changed item.
    // Inside an update batch (UpdateBatch.h) both wait for its end and happen once, with the
    // menu as the source.
    void Changed(TMenuItem* source, bool rebuild);
    void Loaded() override;
    void GetChildren(const std::function<void(rtti::TComponent*)>& proc, rtti::TComponent* root) const override;
    void Rebuild();
    // The menu font (or another screen font) changed: rebuilt at once, or inside an update batch
    // once at its end (with OnChange only when an item changed too).
    void ScreenFontChanged();

private:
    friend class TMenuItem;
    // True when an update batch is open and will end in a rebuild of the bar, which builds
    // every item: an item's own build can then be skipped.
    bool RebuildsWhenBatchEnds() const;

    std::unique_ptr<TMenuItem> items_;
    QPointer<QMenuBar> bar_;
    int changing_ = 0;
    // The work owed at the end of the open update batch.
    void DeferPending();
    bool rebuildPending_ = false;  // a layout
    bool notifyPending_ = false;   // an OnChange
};

}  // namespace ui
