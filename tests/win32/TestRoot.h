// A device root of the running test's own under Wine, as the device's tool and the program get
// it: CEDEVICE_ROOT (a Unix path) is the root the tests were started with, kept aside in
// WIN32_TEST_ROOT, with the test's name after it.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

// Sets CEDEVICE_ROOT for the running test and returns it; empty, with a failure, when the tests
// were given no root.
inline std::wstring UseTestRoot() {
  wchar_t base[1024] = L"";
  if (GetEnvironmentVariableW(L"WIN32_TEST_ROOT", base, 1024) == 0)
    GetEnvironmentVariableW(L"CEDEVICE_ROOT", base, 1024);
  if (base[0] == 0) {
    ADD_FAILURE() << "CEDEVICE_ROOT names no folder for the tests";
    return {};
  }
  SetEnvironmentVariableW(L"WIN32_TEST_ROOT", base);
  const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
  const std::wstring path = std::wstring(base) + L"/" + std::wstring(name.begin(), name.end());
  SetEnvironmentVariableW(L"CEDEVICE_ROOT", path.c_str());
  return path;
}
