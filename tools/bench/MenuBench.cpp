// QueryContextMenu plus InvokeCommand against the floor server, as a right-click and a pick cost the
// shell, next to the two bare transactions that carry the same bytes.
#include "tools/bench/BareTransaction.h"
#include "tools/bench/BenchSections.h"

#include "shellext/channel/ArgumentForms.h"
#include "shellext/channel/ClientCommands.h"
#include "shellhost/kit/DropFilesDataObject.h"
#include "tools/bench/BenchReplies.h"

#include <algorithm>

namespace pellicor::bench
{

namespace
{

constexpr UINT kFirstCommand = 1;
constexpr UINT kLastCommand = 0x7FFF;
constexpr int kPickedOffset = 3;
constexpr UINT kExpectedIdentifiers = 6; // the largest item id of kMenuAnswer, plus one

} // namespace

void RunMenuBenchmarks(const BenchLibrary& library, const BenchOptions& options, Report& report)
{
    const FloorServer server(4);
    if (!server.IsRunning())
        return;

    const std::vector<std::wstring> selection = {L"C:\\Users\\someone\\Drovana\\Projects\\2024\\report.docx",
                                                 L"C:\\Users\\someone\\Drovana\\Projects\\2024\\Pictures"};
    const ComPtr<IShellExtInit> init = library.Create<IShellExtInit>(IID_IShellExtInit);
    ComPtr<IContextMenu> menu;
    const ComPtr<IDataObject> data = shellkit::CreateDropFilesDataObject(selection);
    if (!init || !data || FAILED(init->Initialize(nullptr, data.get(), nullptr)) || FAILED(init.As(menu)))
    {
        Progress("the context-menu handler did not take the selection; menu section skipped");
        report.Add({"QueryContextMenu + InvokeCommand", "us", {}, "", {}, "skipped: Initialize failed"});
        return;
    }

    // The view window travels in handle form, so its value does not change the request's length.
    std::vector<std::wstring> commandArguments = {DecimalForm(kPickedOffset), HandleForm(0)};
    commandArguments.insert(commandArguments.end(), selection.begin(), selection.end());
    const std::vector<std::uint8_t> itemsBytes = RequestBytes(kCommandMenuItems, selection);
    const std::vector<std::uint8_t> commandBytes = RequestBytes(kCommandMenuCmd, commandArguments);

    CMINVOKECOMMANDINFO invoke{};
    invoke.cbSize = sizeof invoke;
    invoke.lpVerb = MAKEINTRESOURCEA(kPickedOffset);
    invoke.nShow = SW_SHOWNORMAL;

    UINT identifiers = 0;
    int misses = 0, floorMisses = 0;
    const auto ours = [&]
    {
        UniqueMenu popup(::CreatePopupMenu());
        const Stopwatch watch;
        const HRESULT query = menu->QueryContextMenu(popup.get(), 0, kFirstCommand, kLastCommand, CMF_NORMAL);
        const HRESULT pick = menu->InvokeCommand(&invoke);
        const double elapsed = watch.ElapsedMicroseconds();
        identifiers = HRESULT_CODE(query);
        misses += (identifiers == kExpectedIdentifiers && pick == S_OK) ? 0 : 1;
        return elapsed;
    };
    const auto floor = [&]
    {
        const Stopwatch watch;
        const bool ok = BareTransactionWithWait(itemsBytes) && BareTransactionWithWait(commandBytes);
        floorMisses += ok ? 0 : 1;
        return watch.ElapsedMicroseconds();
    };

    Progress("QueryContextMenu + InvokeCommand: %d pairs, and as many pairs of bare transactions",
             options.calls);
    for (int i = 0; i < 50; ++i)
    {
        ours();
        floor();
    }
    misses = floorMisses = 0;
    std::vector<double> oursSamples, floorSamples;
    const int perRound = std::max(1, options.calls / options.rounds);
    for (int round = 0; round < options.rounds; ++round)
    {
        for (int i = 0; i < perRound; ++i)
            oursSamples.push_back(ours());
        for (int i = 0; i < perRound; ++i)
            floorSamples.push_back(floor());
    }

    const Summary oursSummary = Summarize(oursSamples);
    const Summary floorSummary = Summarize(floorSamples);
    report.Add({"QueryContextMenu + InvokeCommand", "us", oursSummary,
                "two bare transactions, each with the 1 ms wait, of the same " + std::to_string(itemsBytes.size()) + " and " +
                    std::to_string(commandBytes.size()) + " bytes (misses: " + std::to_string(floorMisses) +
                    ")",
                floorSummary,
                "submenu of three items; calls not giving " + std::to_string(kExpectedIdentifiers) +
                    " identifiers and S_OK: " + std::to_string(misses)});
    if (identifiers == kExpectedIdentifiers)
        report.Target("menu_vs_floor", oursSummary.median / floorSummary.median, kPipeOverheadLimit);
    else
        Progress("QueryContextMenu answered %u identifiers, not %u: no menu target", identifiers,
                 kExpectedIdentifiers);
}

} // namespace pellicor::bench
