#pragma once
// Test programs of the library's paths for systems before Vista run themselves a second time, with
// Wine told to report Windows XP to them (the compatibility version of that one program, never the
// prefix's). The second run has a time limit, so that a hang fails the program instead of stalling
// ctest until its time-out.

namespace pellicor::test
{

// The main function of such a program: starts the XP run and returns its result; in the XP run,
// runs the tests, or fails at once when the run does not see Windows XP.
int RunGoogleTestsAsXp();

} // namespace pellicor::test
