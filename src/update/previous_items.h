#pragma once
// The previous-items text: which items, at which latest versions, a
// publisher offered at its last check, so that the next load can tell the
// user what is new since then.
//
// Each entry is a line feed, the item's ID and, when the item has a latest
// version, a blank and that version ("\nEditor 2.1\nViewer"). Texts written by
// older releases have no line feeds: ID and version tokens separated by
// blanks ("Editor 2.1 Viewer"); they are still read.
#include <string>
#include <string_view>

#include "publisher/model.h"

namespace wendrix {

// The previous-items text for the items now in the model, in model order.
// Empty when the publisher has no items. Items without an ID are left out:
// nothing could ever match their entry.
std::wstring MakePreviousItems(const PublisherData& data);

// Sets kItemNew on every item that is a candidate (not installed, or its
// latest version is newer than its installed one) and is not listed in
// `previousItems`, and clears it on every other item. Items without an ID
// keep their flags.
//
// An entry lists an item when its ID equals the item's ID exactly (case
// included) and, when both the entry and the item have a version, the two
// versions compare equal; an entry or an item without a version matches on
// the ID alone.
void MarkNewItems(PublisherData& data, std::wstring_view previousItems);

}  // namespace wendrix
