#include "Errors.h"

#include <ios>
#include <new>
#include <stdexcept>

namespace common {

namespace {

struct Entry {
    int number;
    const char* text;
};

// The classic run-time error texts, as an operator reading the log knows them.
constexpr Entry kDescriptions[] = {
    {5, "Invalid procedure call or argument"},
    {6, "Overflow"},
    {7, "Out of memory"},
    {9, "Subscript out of range"},
    {10, "This array is fixed or temporarily locked"},
    {11, "Division by zero"},
    {13, "Type mismatch"},
    {14, "Out of string space"},
    {16, "Expression too complex"},
    {17, "Can't perform requested operation"},
    {28, "Out of stack space"},
    {48, "Error in loading library"},
    {49, "Bad library calling convention"},
    {51, "Internal error"},
    {52, "Bad file name or number"},
    {53, "File not found"},
    {54, "Bad file mode"},
    {55, "File already open"},
    {57, "Device I/O error"},
    {58, "File already exists"},
    {59, "Bad record length"},
    {61, "Disk full"},
    {62, "Input past end of file"},
    {63, "Bad record number"},
    {67, "Too many files"},
    {68, "Device unavailable"},
    {70, "Permission denied"},
    {71, "Disk not ready"},
    {74, "Can't rename with different drive"},
    {75, "Path/File access error"},
    {76, "Path not found"},
    {91, "Object variable not set"},
    {93, "Invalid pattern string"},
    {94, "Invalid use of Null"},
    {280, "DDE channel not fully closed; awaiting response from foreign application"},
    {281, "No more DDE channels"},
    {282, "No foreign application responded to a DDE initiate"},
    {283, "Multiple applications responded to a DDE initiate"},
    {284, "DDE channel locked"},
    {285, "Foreign application won't perform DDE method or operation"},
    {286, "Timeout while waiting for DDE response"},
    {287, "User pressed Escape key during DDE operation"},
    {288, "Destination is busy"},
    {289, "Data not provided in DDE operation"},
    {290, "Data in wrong format"},
    {291, "Foreign application quit"},
    {292, "DDE conversation closed or changed"},
    {293, "DDE method invoked with no channel open"},
    {294, "Invalid DDE link format"},
    {295, "Message queue filled; DDE message lost"},
    {297, "Can't set LinkMode; invalid LinkTopic"},
    {320, "Can't use character device names in specified file names"},
    {321, "Invalid file format"},
    {322, "Can't create necessary temporary file"},
    {325, "Invalid format in resource file"},
    {327, "Data value named not found"},
    {335, "Could not access system registry"},
    {340, "Control array element does not exist"},
    {341, "Invalid control array index"},
    {343, "Object not an array"},
    {360, "Object already loaded"},
    {361, "Can't load or unload this object"},
    {362, "Can't unload controls created at design time"},
    {363, "Control specified not found"},
    {364, "Object was unloaded"},
    {365, "Unable to unload within this context"},
    {380, "Invalid property value"},
    {381, "Invalid property array index"},
    {382, "Property can't be set at run time"},
    {383, "Property is read-only"},
    {384, "A form can't be moved or sized while minimized or maximized"},
    {387, "Property can't be set on this control"},
    {393, "Property can't be read at run time"},
    {394, "Property is write-only"},
    {400, "Form already displayed; can't show modally"},
    {401, "Can't show non-modal form when modal form is displayed"},
    {402, "Must close or hide topmost modal form first"},
    {422, "Property not found"},
    {423, "Property or method not found"},
    {424, "Object required"},
    {438, "Object doesn't support this property or method"},
    {445, "Object doesn't support this action"},
    {449, "Argument not optional"},
    {450, "Wrong number of arguments or invalid property assignment"},
    {453, "Specified library function not found"},
    {457, "This key is already associated with an element of this collection"},
    {460, "Invalid clipboard format"},
    {461, "Specified format doesn't match format of data"},
    {480, "Can't create AutoRedraw image"},
    {481, "Invalid picture"},
    {482, "Printer error"},
    {8002, "Invalid port number"},
    {8005, "Port already open"},
    {8010, "The hardware is not available (locked by another device)"},
    {8012, "The device is not open"},
    {8015, "Could not set comm state"},
    {8018, "Operation valid only when the port is open"},
    {8020, "Error reading comm device"},
};

} // namespace

QString errorDescription(int number) {
    for (const Entry& e : kDescriptions)
        if (e.number == number) return QString::fromLatin1(e.text);
    return QStringLiteral("Application-defined or object-defined error");
}

RuntimeError::RuntimeError(int number)
    : number_(number), what_(QByteArray::number(number) + ' ' + errorDescription(number).toUtf8()) {
}

int currentErrorNumber() noexcept {
    try {
        throw;
    } catch (const RuntimeError& e) {
        return e.number();
    } catch (const std::bad_alloc&) {
        return err::OutOfMemory;
    } catch (const std::out_of_range&) {
        return err::SubscriptOutOfRange;
    } catch (const std::overflow_error&) {
        return err::Overflow;
    } catch (const std::range_error&) {
        return err::Overflow;
    } catch (const std::ios_base::failure&) {
        return err::DeviceIOError;
    } catch (const std::exception&) {
        return err::InvalidProcedureCall;
    } catch (...) {
        return err::InternalError;
    }
}

} // namespace common
