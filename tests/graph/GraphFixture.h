#pragma once
// The fixture of the graph window's tests: a main window to own the graph
// windows, answered prompts, and an empty template folder so that every new
// graph starts from the default look.

#include "app/AppPaths.h"
#include "app/UMain.h"
#include "support/FakePrompts.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

// The first time of the test graphs (a day number) and one second of it.
inline constexpr double Start = 46000.5;
inline constexpr double Second = 1.0 / 86400;

class GraphFixture : public ::testing::Test {
protected:
    FakePrompts prompts;
    ScopedPrompts scopedPrompts{prompts};
    QTemporaryDir templateDir;
    AppPaths::ScopedTemplateFolder scopedTemplate{templateDir.path()};
    TfrmMain main;
};
