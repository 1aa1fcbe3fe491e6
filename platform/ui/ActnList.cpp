#include "platform/ui/ActnList.h"

#include <algorithm>

#include "platform/ui/Menus.h"

namespace ui {

const rtti::TClassInfo* TAction::StaticClass() {
    using C = TAction;
    using namespace rtti;
    static const TClassInfo info("TAction", TComponent::StaticClass(), Creator<C>(),
                                 {
                                     pub::String<C>("Caption", &C::Caption, &C::SetCaption),
                                     pub::Bool<C>("Checked", &C::Checked, &C::SetChecked, false),
                                     pub::Bool<C>("Enabled", &C::Enabled, &C::SetEnabled, true),
                                     pub::String<C>("Hint", &C::Hint, &C::SetHint),
                                     pub::Bool<C>("Visible", &C::Visible, &C::SetVisible, true),
                                     pub::Event<C>("OnExecute", &C::OnExecute),
                                 });
    return &info;
}

TAction::~TAction() {
    for (TMenuItem* client : std::vector<TMenuItem*>(clients_)) client->SetAction(nullptr);
    SetActionList(nullptr);
}

void TAction::SetCaption(const AnsiString& caption) {
    caption_ = caption;
    Changed();
}
void TAction::SetHint(const AnsiString& hint) {
    hint_ = hint;
    Changed();
}
void TAction::SetChecked(bool on) {
    checked_ = on;
    Changed();
}
void TAction::SetEnabled(bool on) {
    enabled_ = on;
    Changed();
}
void TAction::SetVisible(bool on) {
    visible_ = on;
    Changed();
}

void TAction::Changed() {
    for (TMenuItem* client : clients_) client->ActionChanged();
}

bool TAction::Execute() {
    if (!enabled_ || !OnExecute.Assigned()) return false;
    OnExecute(this);
    return true;
}

void TAction::SetActionList(TActionList* list) {
    if (list_ == list) return;
    if (list_) std::erase(list_->actions_, this);
    list_ = list;
    if (list_) list_->actions_.push_back(this);
}

rtti::TComponent* TAction::GetParentComponent() const { return list_; }

void TAction::SetParentComponent(rtti::TComponent* parent) { SetActionList(dynamic_cast<TActionList*>(parent)); }

void TAction::AddClient(TMenuItem* item) {
    if (std::find(clients_.begin(), clients_.end(), item) == clients_.end()) clients_.push_back(item);
}

void TAction::RemoveClient(TMenuItem* item) { std::erase(clients_, item); }

const rtti::TClassInfo* TActionList::StaticClass() {
    static const rtti::TClassInfo info("TActionList", rtti::TComponent::StaticClass(), rtti::Creator<TActionList>());
    return &info;
}

TActionList::~TActionList() {
    for (TAction* action : std::vector<TAction*>(actions_)) action->SetActionList(nullptr);
}

TAction* TActionList::Actions(int index) const {
    if (index < 0 || index >= ActionCount()) rtl::RaiseListIndexError(index);
    return actions_[static_cast<std::size_t>(index)];
}

void TActionList::GetChildren(const std::function<void(rtti::TComponent*)>& proc, rtti::TComponent* root) const {
    for (TAction* action : actions_)
        if (action->Owner() == root) proc(action);
}

}  // namespace ui
