#include "bridge/handle_plan.h"

HandlePlan PlanDirectoryHandle(size_t position, uint32_t chosen, bool writableProgramFolder) {
    const bool offered = position < 32 && ((chosen >> position) & 1u) != 0;
    const bool readOnly = position == 1 || (position == 0 && !writableProgramFolder);
    return {offered, readOnly};
}
