#include "framework/components/SLParkingForm.h"

#include "framework/ClassLibrary/TypeInfo.h"

#include <stdexcept>

namespace {

class TSLParkingForm final : public TCustomControl {
public:
    TSLParkingForm() : TCustomControl(nullptr) { SetVisible(false); }
    static const TClassInfo& StaticClassInfo()
    {
        static const TClassInfo info("TSLParkingForm", &TCustomControl::StaticClassInfo(), {});
        return info;
    }
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }
    TComponentRole Role() const override { return TComponentRole::Form; }
};

TOwned<TSLParkingForm>& parkingForm()
{
    static TOwned<TSLParkingForm> form;
    return form;
}

} // namespace

TCustomControl* ParkingForm()
{
    return parkingForm().get();
}

TSLParkingFormScope::TSLParkingFormScope()
{
    if (parkingForm())
        throw std::logic_error("the parking form exists already");
    parkingForm() = MakeObject<TSLParkingForm>();
}

TSLParkingFormScope::~TSLParkingFormScope()
{
    // Controls still parked are let go, not freed: their owners free them.
    parkingForm().reset();
}
