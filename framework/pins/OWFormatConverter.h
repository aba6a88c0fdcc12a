#pragma once
// Base of the format converters: a component with one input (sink) pin and
// one output (source) pin, both made by the descendant, owned by the
// converter and freed with it. A converter made by the pin framework has no
// owner component: its source pin's converter list (or a dispatcher) owns it.
#include "framework/ClassLibrary/Component.h"
#include "framework/pins/OWPins.h"

#include <vector>

class TOWFormatConverter : public TComponent {
public:
    TOWFormatConverter() : TComponent(nullptr) {}

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

    // Frees the pins while the converter is still whole.
    void BeforeDestruction() override;

    TOWStreamPin* InputPin() const { return inputPin_.get(); }
    TOWStreamPin* OutputPin() const { return outputPin_.get(); }
    // The pin this (state) converter serves, borrowed.
    const TOWBorrowed<TOWBasicPin>& ServedPin() const { return servedPin_; }
    void SetServedPin(TOWBasicPin* pin) { servedPin_ = pin ? pin->Borrow() : TOWBorrowed<TOWBasicPin>(); }

    // Sends an operation upstream through the input pin; its answer.
    bool ForwardUpstream(const TOWNotifyOperationRef& operation);

protected:
    // Keeps both pins and makes the output depend on the input, so that the
    // output is served after the input.
    void InitPins(TOwned<TOWStreamPin> inputPin, TOwned<TOWStreamPin> outputPin);

private:
    TOwned<TOWStreamPin> inputPin_;
    TOwned<TOWStreamPin> outputPin_;
    TOWBorrowed<TOWBasicPin> servedPin_;
};

// True for a pin whose owner is a format converter.
bool OWOwnedByConverter(TOWBasicPin* pin);

// An owning list of converters.
class TOWFormatConverterList {
public:
    void Add(TOwned<TOWFormatConverter> converter) { items_.push_back(std::move(converter)); }
    // Takes the converter out (to be freed by the caller, outside any section).
    TOwned<TOWFormatConverter> Extract(TOWFormatConverter* converter);
    int Count() const { return static_cast<int>(items_.size()); }
    TOWFormatConverter* Items(int index) const { return items_.at(static_cast<std::size_t>(index)).get(); }
    int IndexOf(const TOWFormatConverter* converter) const;
    std::vector<TOWFormatConverter*> Snapshot() const;
    // Takes every converter out.
    std::vector<TOwned<TOWFormatConverter>> ExtractAll() { return std::exchange(items_, {}); }

private:
    std::vector<TOwned<TOWFormatConverter>> items_;
};
