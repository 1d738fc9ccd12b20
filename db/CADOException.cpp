// CADOException and its throw helper.
#include "db/CADOException.h"

CADOException::CADOException(int nErrorCode, const QString& strError)
    : m_lErrorCode(nErrorCode)
    , m_strError(strError)
{
}

CADOException::~CADOException() = default;

void ThrowADOException(int nErrorCode, const QString& strError)
{
    throw CADOException(nErrorCode, strError);
}
