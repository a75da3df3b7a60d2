// Registers the one QApplication of a widget test executable.
#include <gtest/gtest.h>

#include "ShellTestSupport.h"

namespace {
const auto* registered = ::testing::AddGlobalTestEnvironment(new vh::test::QtEnvironment);
}
