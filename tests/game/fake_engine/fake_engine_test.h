// The fixture of tests on the fake engine: a fresh fake per test.
#pragma once

#include <gtest/gtest.h>

#include "fake_engine.h"

class FakeEngineTest : public testing::Test {
  protected:
    void SetUp() override { fake_engine::reset(); }
};
