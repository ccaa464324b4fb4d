// SumInBackground: work done on a worker thread, its result handed to the
// engine's thread as a posted task, where the sheet changes and fires
// Changed. How any host object finishes asynchronous work for scripts.

#include "Sheet.h"

#include "Platform/Windows/Com/TaskPostingInterface.h"

#include <chrono>

namespace qor::examples::spreadsheet {
namespace {

using platform::windows::com::TaskInbox;
using platform::windows::com::TaskPostingInterface;

// What a recalculation takes, so that a script sees it finish later.
constexpr auto recalculationTime = std::chrono::milliseconds(20);

} // namespace

HRESULT CSheet::SumInBackground(LONG column, LONG firstRow, LONG lastRow, LONG intoRow) {
    if (HRESULT hr = failIfProtected(); FAILED(hr))
        return hr;
    for (LONG row : {firstRow, lastRow, intoRow})
        if (auto failure = checkCell(row, column))
            return fail(*failure);
    auto* tasks = dynamic_cast<TaskPostingInterface*>(getCreator());
    if (tasks == nullptr)
        return fail(E_FAIL, "SumInBackground needs an engine that runs tasks");
    // The values are read here, on the sheet's thread; the worker gets copies.
    std::vector<double> numbers;
    for (LONG row = firstRow; row <= lastRow; ++row) {
        auto found = cells.find({row, column});
        if (found != cells.end() && (found->second.vt == VT_R8 || found->second.vt == VT_I4))
            numbers.push_back(found->second.vt == VT_R8 ? found->second.dblVal : found->second.lVal);
    }
    // Counted as pending from now on, so that the host's loop waits for it.
    TaskInbox::Expected result = tasks->getTaskInbox()->expect();
    workers.emplace_back([this, alive = alive, result = std::move(result), numbers = std::move(numbers), intoRow,
                          column]() mutable {
        std::this_thread::sleep_for(recalculationTime);
        double total = 0;
        for (double number : numbers)
            total += number;
        // Refused when the engine is gone; then nobody is left to tell.
        result.post([this, alive = std::move(alive), total, intoRow, column] {
            if (*alive)
                store(intoRow, column, _variant_t(total));
        });
    });
    return S_OK;
}

} // namespace qor::examples::spreadsheet
