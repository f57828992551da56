#pragma once
// The DataLogger window's "Table" button: the drawn data set's numbers in a
// table window, exactly as saving it as text and opening that file shows them.

#include "logger/TableRows.h"

class PESGraph;
class TfrmGraph;
class TfrmList;

// The rows a text file saved from `chart` gives when it is opened again.
TableRows DataSetTableRows(const PESGraph& chart);

// Opens the drawn data set of the DataLogger window `graph` in a new table
// window; says so and opens nothing when the data set holds no records.
TfrmList* OpenDataSetTable(TfrmGraph& graph);
