#include "framework/pins/OWStatePin.h"

#include "framework/ClassLibrary/TypeInfo.h"
#include "framework/pins/OWPinRegistry.h"
#include "framework/pins/OWStateDispatcher.h"

const TClassInfo& TOWStatePin::StaticClassInfo()
{
    static const TClassInfo info("TOWStatePin", &TOWPin::StaticClassInfo(), {});
    return info;
}

std::string TOWStatePin::GetLinkText()
{
    return TOWBasicPin::GetLinkText();
}

bool TOWStatePin::SetLinkText(TComponent* root, const std::string& text)
{
    if (text.empty() || text == "(Disconnected)") {
        DisconnectAll();
        return true;
    }
    if (TOWStateDispatcherRef dispatcher = FindDispatcher(text); dispatcher && JoinDispatcher(dispatcher.Get()))
        return true;
    // The first pin of the root whose path, with or without the root's name,
    // is the text.
    TComponent* own = root ? root : GetRoot();
    TOWBorrowed<TOWBasicPin> match;
    {
        const TOWPinRegistry::TUses uses = TOWPinRegistry::UseAll(this);
        uses.ForEach([&](TOWBasicPin& pin) {
            if (match || pin.GetRoot() != own)
                return;
            const std::string path = pin.GetPath(false);
            if (path == text || (own && own->Name() + "." + path == text))
                match = pin.Borrow();
        });
    }
    auto pin = Use(match);
    return pin && LinkState(pin.Get());
}

void TOWStatePin::RequestState()
{
    if (TOWStateDispatcherRef dispatcher = GetDispatcher())
        dispatcher->RelayState(this);
}
