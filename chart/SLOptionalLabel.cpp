#include "chart/SLOptionalLabel.h"

TSLBasicOptionalLabel::TSLBasicOptionalLabel(TPersistent* owner, TNotifyEvent onChange, ILPLock& lock)
    : TLPLockedPersistentNotify(owner, onChange, lock), font_(MakeObject<TFont>())
{
    font_->SetName("Arial");
    font_->SetColor(QColor(0xFF, 0xFF, 0xFF));
    font_->SetSize(8);
    // Hooked only now, so that setting up the font is no change of the label.
    font_->SetOnChange(TNotifyEvent::Of<&TSLBasicOptionalLabel::fontChanged>(this));
}

TSLBasicOptionalLabel::~TSLBasicOptionalLabel() = default;

const TClassInfo& TSLBasicOptionalLabel::StaticClassInfo()
{
    static const TClassInfo info(
        "TSLBasicOptionalLabel", &TLPLockedPersistentNotify::StaticClassInfo(),
        {Published<&TSLBasicOptionalLabel::GetFont, &TSLBasicOptionalLabel::SetFont>("Font"),
         Published<&TSLBasicOptionalLabel::GetVisible, &TSLBasicOptionalLabel::SetVisible>("Visible", 1)});
    return info;
}

void TSLBasicOptionalLabel::SetFont(TFont* font)
{
    if (!font)
        return;
    font_->Assign(*font);
    Changed();
}

const TClassInfo& TSLOptionalLabel::StaticClassInfo()
{
    static const TClassInfo info("TSLOptionalLabel", &TSLBasicOptionalLabel::StaticClassInfo(),
                                 {Published<&TSLOptionalLabel::GetText, &TSLOptionalLabel::SetText>("Text")});
    return info;
}
