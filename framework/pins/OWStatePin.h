#pragma once
// A pin of state: neither source nor sink, linked to other pins through a
// named dispatcher.
#include "framework/pins/OWPins.h"

class TOWStatePin : public TOWPin {
public:
    using TOWPin::TOWPin;

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

    TOWPinKind GetSinkKind() override { return TOWPinKind::State; }
    bool IsFunctionDependentDeep(TOWBasicPin* pin) override { return false; }
    // The link name: "(Disconnected)", the other member's path, or the
    // dispatcher's name.
    std::string GetLinkText() override;
    // Empty or "(Disconnected)" unlinks; else the dispatcher of that name is
    // joined, else the pin of the root whose path matches is linked.
    bool SetLinkText(TComponent* root, const std::string& text) override;
    // Asks the dispatcher to relay the state of the link to this pin.
    void RequestState();
};
