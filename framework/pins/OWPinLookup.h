#pragma once
// Pins found by path text: the lookup that restores links from a form stream
// (placeholders standing in for pins not there yet), the rewrite of paths of a
// form loaded under another name, and link editing by text.
#include "framework/pins/OWPinModel.h"
#include "framework/pins/OWPinPaths.h"

#include <string>
#include <vector>

class TComponent;
class TOWBasicPin;
class TOWPinList;

// The most links one stream value may hold (the items of a link list, the
// slots of a pin list's "Pins"); a longer value is refused as invalid.
inline constexpr int owMaxStreamLinks = 4096;

// What a link read from a stream needs to know of the pin (or pin list) that
// reads it.
struct TOWLinkReader {
    // The root the reader lives in (searched first), may be null.
    TComponent* Root = nullptr;
    // The current name of that root and the root name the stream was saved
    // under ("Form").
    std::string RootName;
    std::string FormName;
    // The reader's own path, remembered by the placeholders it makes: the
    // requesting pin's path (taken when a placeholder is made), else this.
    TOWBorrowed<TOWBasicPin> Requester;
    std::string RequesterPath;
    bool Designing = false;
    // Inside the read of a whole form: the links are made once every
    // component of the form is there (a far end may come later in the same
    // form), before the form's components are told they are loaded.
    bool DeferToEnd = false;

    static TOWLinkReader Of(TOWBasicPin& pin);
    static TOWLinkReader Of(TOWPinList& list);
};

// A path saved under formName and now read in the root rootName: a leading
// formName + "." becomes rootName + ".". Paths into other roots stay.
void QualifyPath(const std::string& formName, const std::string& rootName, std::string& path);
// The same with the pin's FormName and its current root's name.
void QualifyPath(TOWBasicPin& pin, std::string& path);

// While it lives, lookups by path on this thread find components through an
// index of each root's tree, made at the first lookup in that root. For a
// batch of lookups during which no component comes, goes or is renamed (the
// links of a form just read). Batches do not nest.
class TOWPathLookupBatch {
public:
    TOWPathLookupBatch();
    TOWPathLookupBatch(const TOWPathLookupBatch&) = delete;
    TOWPathLookupBatch& operator=(const TOWPathLookupBatch&) = delete;
    ~TOWPathLookupBatch();
};

// The real pin (not a placeholder) that the path names, in index or name
// form, with root (searched in `near` first when its name fits, then in the
// other roots that hold pins) or without (searched in `near`); empty when
// none. The components on the way are kept from being freed while they are
// read; the pin found is borrowed, and may go with its owner once the call
// has returned (Use tells).
TOWBorrowed<TOWBasicPin> OWFindPinByPath(TComponent* near, const std::string& path);

// The real pin of the index path, else of the name path; empty when none.
TOWBorrowed<TOWBasicPin> OWFindLinkPin(const TOWLinkReader& reader, const std::string& indexPath,
                                       const std::string& namePath);
// The far end of a link read from a stream: the pin of the index path, else
// of the name path (both already qualified), else a placeholder of that kind
// for them (an existing one of the same kind and paths is reused).
TOWBorrowed<TOWBasicPin> OWFindLinkTarget(const TOWLinkReader& reader, const std::string& indexPath,
                                          const std::string& namePath, TOWPinKind kind);

// Flags of ListLinkCandidates.
inline constexpr unsigned owCandidateConnectCheck = 1;
inline constexpr unsigned owCandidateIndexForm = 2;
inline constexpr unsigned owCandidateNoFunctionDependents = 4;

// The pins of every component under root (recursively, each component's own
// pins before those of the components it owns) that the asker may link to,
// as component name + separator + path, after prefix + separator when a
// prefix is given. False when some component's pins could not be listed.
bool ListLinkCandidates(std::vector<TOWPinPathItem>& list, TComponent& root, TOWBasicPin& asker, unsigned flags,
                        const std::string& prefix, const std::string& separator);

// A source links to the candidate whose text is `text`, within its own root
// (root null or its own) or within root with root's name as prefix. An empty
// text unlinks every sink (name form only). False when nothing matched and
// every pin was listed, or when the link was refused.
bool ConnectByText(TOWBasicPin& source, TComponent* root, const std::string& text, bool indexForm);

// A sink links to the pin of the index path, else of the name path, else to a
// placeholder for them; "nil" unlinks it. Root: where the paths are looked up
// (null for the sink's own root).
bool ConnectByPath(TOWBasicPin& sink, TComponent* root, const std::string& indexPath, const std::string& namePath);
