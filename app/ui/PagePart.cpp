#include "app/ui/PagePart.h"

#include <QPushButton>

namespace korvanta {

void PressStartOrStop(QPushButton* start, QPushButton* stop)
{
    if (start && start->isEnabled())
        start->click();
    else if (stop && stop->isEnabled())
        stop->click();
}

} // namespace korvanta
