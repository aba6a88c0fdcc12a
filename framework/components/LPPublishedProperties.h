#pragma once
// Copying and streaming of published properties, shared by the locked base
// classes.
class TPersistent;
class TFiler;

// For every published property of dest's class, by name: copies the source's
// property of that name and kind; properties without a setter, methods, and
// (when skipName) "Name" are left alone. Persistent sub-objects are copied with
// their own Assign unless dest's sub-object is a component or a lockable
// framework object. A property the source does not have stays as it is.
void CopyPublishedProperties(TPersistent& dest, const TPersistent& source, bool skipName);

// Defines the stream property "_Floats", which carries the float properties
// whose value is 0 (the form writer leaves 0 out, so a zero could not
// override a non-zero default when read back). Date and time properties do
// not take part.
void DefineFloatsProperty(TFiler& filer, TPersistent& object);
