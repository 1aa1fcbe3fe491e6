#include "app/PassphrasePrompt.h"

#include "codec/PassphraseCrypto.h"
#include "platform/ui/Dialogs.h"

namespace app {

namespace {

std::optional<AnsiString> Ask(const rtl::TResStringRec& prompt) {
    const std::optional<QString> typed = ui::SecretDlg(rtl::LoadResString(SPassphraseCaption), rtl::LoadResString(prompt));
    if (!typed) return std::nullopt;
    return typed->toUtf8().toStdString();
}

}  // namespace

std::optional<AnsiString> AskNewPassphrase() {
    const std::optional<AnsiString> first = Ask(SPassphraseEnter);
    if (!first) return std::nullopt;
    if (first->empty()) throw codec::EPassphraseError(codec::EPassphraseError::CreateRes, codec::SPassphraseEmpty);
    const std::optional<AnsiString> second = Ask(SPassphraseAgain);
    if (!second) return std::nullopt;
    if (*second != *first) throw codec::EPassphraseError(codec::EPassphraseError::CreateRes, SPassphrasesDiffer);
    return first;
}

std::optional<AnsiString> AskPassphrase() { return Ask(SPassphraseEnter); }

}  // namespace app
