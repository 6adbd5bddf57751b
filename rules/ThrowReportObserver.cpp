#include "rules/ThrowReportObserver.hpp"

namespace rules {

void ThrowReportObserver::ThrowLanded(Cell cell, double effort, bool cameBack) {
    m_report.landed = cell;
    m_report.effort = effort;
    if (cameBack) m_report.voidThrow = true;
}

} // namespace rules
