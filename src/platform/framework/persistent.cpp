#include "platform/framework/persistent.h"

#include "platform/framework/exceptions.h"

void TPersistent::Assign(TPersistent* source)
{
    if (source)
        source->AssignTo(this);
    else
        AssignError(nullptr);
}

void TPersistent::AssignTo(TPersistent* dest)
{
    if (dest)
        dest->AssignError(this);
    throw EConvertError(FrameworkMessages::assignError(ClassName(), QStringLiteral("nil")));
}

void TPersistent::AssignError(TPersistent* source)
{
    const QString sourceName = source ? source->ClassName() : QStringLiteral("nil");
    throw EConvertError(FrameworkMessages::assignError(sourceName, ClassName()));
}
