#pragma once
// The tables, view and indexes of every database file.
#include <QStringList>

namespace store {

class Store;

// The operator rights, one yes/no column of 用户表 each, in the order the
// operator screen saves them (without 是否停用).
const QStringList &rightColumns();
// The rights that the operator screen's own two columns do not show; the
// delivered operator holds them.
const QStringList &extraRightColumns();

// Creates every table, view and index that is missing (used when a new file
// set is written).
void createSchema(Store &store);

} // namespace store
