#include <gtest/gtest.h>

#include "platform/windows_paths.h"

namespace tembrel {
namespace {

TEST(FolderOfProgram, Table) {
    const std::pair<const wchar_t*, const wchar_t*> cases[] = {
        {L"C:\\Games\\TembrelLaunch.exe", L"C:\\Games"},
        {L"C:\\TembrelLaunch.exe", L"C:\\"},
        {L"\\\\server\\share\\ship\\TembrelLaunch.exe", L"\\\\server\\share\\ship"},
        {L"\\\\?\\UNC\\server\\share\\ship\\TembrelLaunch.exe", L"\\\\server\\share\\ship"},
        {L"UNC\\server\\share\\ship\\TembrelLaunch.exe", L"\\\\server\\share\\ship"},  // as Wine names it
        {L"\\\\?\\C:\\Games\\TembrelLaunch.exe", L"\\\\?\\C:\\Games"},
        {L"TembrelLaunch.exe", L"."},
    };
    for (const auto& [program, folder] : cases) EXPECT_EQ(folderOfProgram(program), folder);
}

TEST(NetworkFolder, OnlyUncNamesAreNetworkFolders) {
    const std::pair<const wchar_t*, bool> cases[] = {
        {L"\\\\server\\share\\ship", true}, {L"\\\\?\\UNC\\server\\share", true}, {L"C:\\Games", false},
        {L"\\\\?\\C:\\Games", false},       {L"\\\\.\\C:\\Games", false},         {L"\\", false},
        {L"", false},
    };
    for (const auto& [folder, network] : cases) EXPECT_EQ(isNetworkFolder(folder), network) << folder;
}

TEST(NetworkFolder, TheLineRunsOnlyOnceTheShareIsEntered) {
    EXPECT_EQ(inNetworkFolder(L"\\\\server\\share\\ship", L"dosboxportable.exe"),
              L"pushd \\\\server\\share\\ship && dosboxportable.exe & popd");
    EXPECT_EQ(inNetworkFolder(L"\\\\server\\class room\\ship(2)", L"pause>nul"),
              L"pushd \"\\\\server\\class room\\ship(2)\" && pause>nul & popd");
    EXPECT_EQ(inNetworkFolder(L"\\\\?\\UNC\\server\\share", L"cls"), L"pushd \\\\server\\share && cls & popd");
}

}  // namespace
}  // namespace tembrel
