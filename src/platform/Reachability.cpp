#include "Reachability.h"

void Reachability::probe(const QString& host, QObject*, Answer answer)
{
    answer(isReachable(host));
}
