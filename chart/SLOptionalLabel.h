#pragma once
// Labels an element may show: a font of their own (white 8-point Arial until
// set) and a visibility; the optional label adds its text. A change of the
// font counts as a change of the label.
#include "chart/GraphicsObjects.h"
#include "framework/components/LPComponent.h"

#include <string>

class TSLBasicOptionalLabel : public TLPLockedPersistentNotify {
public:
    TSLBasicOptionalLabel(TPersistent* owner, TNotifyEvent onChange, ILPLock& lock);
    ~TSLBasicOptionalLabel() override;

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

    TFont* GetFont() const { return font_.get(); }
    // Takes over the settings of font (null changes nothing), then tells the
    // owner.
    void SetFont(TFont* font);
    bool GetVisible() const { return visible_; }
    void SetVisible(bool visible) { Lock().SetField(visible_, visible); }

private:
    void fontChanged(TObject*) { Changed(); }

    TOwned<TFont> font_;
    bool visible_ = true;
};

class TSLOptionalLabel : public TSLBasicOptionalLabel {
public:
    using TSLBasicOptionalLabel::TSLBasicOptionalLabel;

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

    // UTF-8.
    std::string GetText() const { return Lock().GetField(text_); }
    void SetText(const std::string& text) { Lock().SetField(text_, text); }

private:
    std::string text_;
};
