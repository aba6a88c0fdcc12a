#include "framework/pins/OWFormatConverter.h"

#include "framework/ClassLibrary/TypeInfo.h"

#include <algorithm>

const TClassInfo& TOWFormatConverter::StaticClassInfo()
{
    static const TClassInfo info("TOWFormatConverter", &TComponent::StaticClassInfo(), {});
    return info;
}

void TOWFormatConverter::BeforeDestruction()
{
    // Both pins go through their destruction (which waits for deliveries in
    // progress through them and unlinks them) before either is freed, so a
    // delivery passing through the input never finds the output gone.
    if (inputPin_)
        inputPin_->BeforeDestruction();
    if (outputPin_)
        outputPin_->BeforeDestruction();
    outputPin_.reset();
    inputPin_.reset();
    TComponent::BeforeDestruction();
}

void TOWFormatConverter::InitPins(TOwned<TOWStreamPin> inputPin, TOwned<TOWStreamPin> outputPin)
{
    inputPin_ = std::move(inputPin);
    outputPin_ = std::move(outputPin);
    if (inputPin_ && outputPin_)
        outputPin_->AddFunctionDependency(*inputPin_);
}

bool TOWFormatConverter::ForwardUpstream(const TOWNotifyOperationRef& operation)
{
    return inputPin_ && inputPin_->SendOperation(operation);
}

bool OWOwnedByConverter(TOWBasicPin* pin)
{
    return pin && dynamic_cast<TOWFormatConverter*>(pin->GetOwnerComponent()) != nullptr;
}

TOwned<TOWFormatConverter> TOWFormatConverterList::Extract(TOWFormatConverter* converter)
{
    auto it = std::find_if(items_.begin(), items_.end(), [&](const auto& c) { return c.get() == converter; });
    if (it == items_.end())
        return nullptr;
    TOwned<TOWFormatConverter> taken = std::move(*it);
    items_.erase(it);
    return taken;
}

int TOWFormatConverterList::IndexOf(const TOWFormatConverter* converter) const
{
    auto it = std::find_if(items_.begin(), items_.end(), [&](const auto& c) { return c.get() == converter; });
    return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
}

std::vector<TOWFormatConverter*> TOWFormatConverterList::Snapshot() const
{
    std::vector<TOWFormatConverter*> result;
    result.reserve(items_.size());
    for (const auto& c : items_)
        result.push_back(c.get());
    return result;
}
