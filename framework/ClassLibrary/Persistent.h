#pragma once
// Objects that can be copied with Assign and written to a form stream.
#include "framework/ClassLibrary/Object.h"

class TFiler;

class TPersistent : public TObject {
public:
    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

    // Copies source into this object; raises EConvertError when neither side
    // knows how.
    virtual void Assign(const TPersistent& source);
    // The object this one belongs to (for streaming and naming), or null.
    virtual TPersistent* GetOwner() const { return nullptr; }
    // Stream properties beyond the published ones.
    virtual void DefineProperties(TFiler& filer) {}

protected:
    // Gives the source a chance to copy itself into dest.
    virtual void AssignTo(TPersistent& dest) const;
};
