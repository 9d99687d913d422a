#pragma once
// The first pass over every received value: stampRecord fills the record
// number and time stamp before the first value of a record, storeValue puts
// a value into its data item with rounding, limits, statistics and alarms.
#include <QString>
#include <QStringList>

#include "measure/measure_context.h"

namespace vel {

// Before the first value of a record (valueCount 0): the record number into
// item 257 when that column is on, the local time into item 258 as
// "yyyy/mm/dd hh:mm:ss" (time-stamp mode 1) or "hh:mm:ss" (mode 2).
// Does nothing once the record has a value.
void stampRecord(MeasureContext& ctx);

// The fields of one reply become the record's next values, each stamped and
// stored at valueCount, which counts on. A record holds at most 257 values;
// further fields of the same record are dropped.
void storeReplyFields(MeasureContext& ctx, const QStringList& fields);

// Stores the value text into data item `index` (0..259; others are ignored).
void storeValue(MeasureContext& ctx, int index, const QString& text);

// The same for one item:
// - a numeric text is rounded to the item's decimals (kept as received when
//   they are negative), clamped to MAX and MIN (the limit in general number
//   format), counted into minimum, maximum, sum and average (kept rounded to
//   the item's decimals, or 3 without them) and tested against the two
//   comparison slots;
// - any other text is stored as it is and tested against the two match
//   texts; it never enters the statistics.
// Each value counts one alarm when it is in alarm; prevAlarm keeps the state
// before it.
void storeValue(DataItem& item, const QString& text);

}  // namespace vel
