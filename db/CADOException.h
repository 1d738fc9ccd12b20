// The access layer's own exception: an error code and an error text. No
// operation of the layer throws it; it is kept for callers that want to
// raise a database failure of their own.
//
// MFC threw such exceptions as heap pointers to be deleted by the catcher;
// here it is thrown by value and caught by reference, as CADOException or
// as std::exception (which stands for CException and CObject). Like its MFC
// counterpart it gives no message text of its own: what() is
// std::exception's.
#pragma once

#include <QString>
#include <cstdint>
#include <exception>

class CADOException : public std::exception {
public:
    CADOException(int nErrorCode, const QString& strError);
    ~CADOException() override;

    std::int32_t m_lErrorCode; // the error code given at construction
    QString m_strError; // the error text given at construction
};

// Throws a CADOException with the code and the text; never returns.
[[noreturn]] void ThrowADOException(int nErrorCode, const QString& strError);
