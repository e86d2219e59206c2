#pragma once
// Writes an item, one of its actions and the records they may refer to as
// publisher data, so that an entry of the wallet can be shown and installed
// without the publisher's own data file.
#include "core/ini_data.h"
#include "core/result.h"
#include "publisher/model.h"

namespace wendrix {

// Appends to `out`: an Item section for `item` whose only Action is `action`;
// an Action section for `action`; then every installed-version definition,
// path definition, display style, message and text of `data`. Loading the
// text back in wallet mode restores the item, the action and these records,
// except for what is never written: the item's Condition, Icon, FreeUpdates
// and RequiredVersion; the action's Condition, Bytes, Date and
// QuietFromVersion (and its URLs and Target when it has resources); Message
// lines naming no message of `data`; the Publisher probe of installed-version
// definitions; an Application line's INI key without its INI section;
// conditions, groups, free-update styles and icons; and whatever the loader
// computes or sets itself (grouped and unavailable bits, titles, installed
// and latest versions, sizes, dates, lines).
//
// Returns S_OK; E_OUTOFMEMORY when memory runs out; E_INVALIDARG when a value
// read without escapes (URL, Resource, Path, Application, System) cannot be
// written so that it reads back unchanged: it holds a line break, begins
// with a double quote, or holds one and also needs quoting.
// After a failure `out` may hold part of the sections; the caller discards it.
HRESULT WritePublisherItem(CIniData& out, const PublisherData& data, const Item& item, const Action& action);

}  // namespace wendrix
