// A refusal in one line: the call's result and the error it left behind.
// The error is cleared first, so a call that fails without setting one fails
// the check.
#pragma once

#include <gtest/gtest.h>

#include "windows.h"

#define EXPECT_ERROR(call, result, error)                      \
    do {                                                       \
        SetLastError(0);                                       \
        const auto outcome_ = (call);                          \
        const DWORD error_ = GetLastError();                   \
        EXPECT_EQ(outcome_, result) << #call;                  \
        EXPECT_EQ(error_, static_cast<DWORD>(error)) << #call; \
    } while (0)

// The same for the socket calls, whose error WSAGetLastError reports.
#define EXPECT_WSA_ERROR(call, result, error)                \
    do {                                                     \
        WSASetLastError(0);                                  \
        const auto outcome_ = (call);                        \
        const int error_ = WSAGetLastError();                \
        EXPECT_EQ(outcome_, result) << #call;                \
        EXPECT_EQ(error_, static_cast<int>(error)) << #call; \
    } while (0)
