#pragma once
// The statistics of a graph window: computed over all its points into the
// fields of the statistics panel, and copied onto the chart as annotations.

class TfrmGraph;

// Start time, rate boxes, number of points and per channel MAX, MIN and AVG
// (one decimal) of every point of the window's chart.
void ComputeGraphStatistics(TfrmGraph& window);

// "Show MAX/MIN on Graph": four text annotations, one per channel, from the
// top left of the plotting area down, in the colour of new marks.
void ShowMaxMinOnGraph(TfrmGraph& window);
