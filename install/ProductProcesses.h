// Running-process control: finding and ending the product family's processes.
#pragma once

#include <cstdint>
#include <string>

// Walks a process snapshot from its first entry; true with the id of the first process whose
// executable file name equals name without regard to case.
bool FindProcessByName(const wchar_t* name, uint32_t* processId);
// Ends the first process of that name (the snapshot's first entry, the idle process, is skipped)
// with exit code 0. True when one matched, even if it could not be ended.
bool KillProcessByName(const wchar_t* name);
// The same, restricted to processes whose image lies inside folder (a Windows path); other
// processes of that name are passed over.
bool KillProcessByNameInside(const wchar_t* name, const std::wstring& folder);

// The product family's executables, in the order they are ended (one process per row).
inline constexpr int kProductProcessRows = 18;
extern const wchar_t* const kProductProcessNames[kProductProcessRows];
// The row whose name other programs use too (a web engine's generic helper).
inline constexpr int kSharedHelperRow = 17;

// Ends the product family's processes: one KillProcessByName per row. The shared helper's row
// ends a process only when its image lies inside installFolder, and nothing when it is empty:
// other programs on the machine run helpers of that name.
void CloseProductProcesses(const std::wstring& installFolder);
// The same with the folder of the last unpack.
void CloseProductProcesses();
