#pragma once
// Permissions do not bind root: a test that needs them calls this when running as root. It runs a
// copy of the test binary as the user "nobody", only `test` (a gtest filter), with a temporary
// folder of its own as TMPDIR, and fails when that run fails.

void RunAsNobody(const char* test);
