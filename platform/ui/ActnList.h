#pragma once
// Action lists and actions: commands with a caption that menu items show and follow.

#include <vector>

#include "platform/rtti/Classes.h"

namespace ui {

using rtl::AnsiString;
class TActionList;
class TMenuItem;

class TAction : public rtti::TComponent {
    VLMRK_RTTI_CLASS(TAction)
public:
    ~TAction() override;

    const AnsiString& Caption() const { return caption_; }
    void SetCaption(const AnsiString& caption);
    const AnsiString& Hint() const { return hint_; }
    void SetHint(const AnsiString& hint);
    bool Checked() const { return checked_; }
    void SetChecked(bool on);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool on);
    bool Visible() const { return visible_; }
    void SetVisible(bool on);
    rtti::TMethod OnExecute;

    // Runs OnExecute; false when there is none or the action is disabled.
    bool Execute();

    TActionList* ActionList() const { return list_; }
    void SetActionList(TActionList* list);
    bool HasParent() const override { return true; }
    rtti::TComponent* GetParentComponent() const override;
    void SetParentComponent(rtti::TComponent* parent) override;

    // Menu items showing this action.
    void AddClient(TMenuItem* item);
    void RemoveClient(TMenuItem* item);

private:
    void Changed();

    AnsiString caption_;
    AnsiString hint_;
    bool checked_ = false;
    bool enabled_ = true;
    bool visible_ = true;
    TActionList* list_ = nullptr;
    std::vector<TMenuItem*> clients_;
};

class TActionList : public rtti::TComponent {
    VLMRK_RTTI_CLASS(TActionList)
public:
    ~TActionList() override;
    int ActionCount() const { return static_cast<int>(actions_.size()); }
    TAction* Actions(int index) const;
    void GetChildren(const std::function<void(rtti::TComponent*)>& proc, rtti::TComponent* root) const override;

private:
    friend class TAction;
    std::vector<TAction*> actions_;
};

}  // namespace ui
