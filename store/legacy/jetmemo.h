#pragma once

#include <QByteArray>
#include <QByteArrayView>

// libmdb's header uses glib's types without including glib itself.
#include <glib.h>
#include <mdbtools.h>

#include <optional>

namespace vantor::legacy {

// A row's place on a data page carries flags in the top bits of its offset.
constexpr int RowOffsetMask = 0x1fff;

// The bytes a memo value stores, from the memo field of a row: kept in the row itself, or in
// one or a chain of rows of LVAL pages. Nothing when the pages do not hold what the field
// announces. Uses libmdb's second page buffer: the row's own page stays loaded.
std::optional<QByteArray> readMemoBytes(MdbHandle* mdb, QByteArrayView field);

} // namespace vantor::legacy
