// Every text the window shows to the user, in one place. They are Russian and
// are copied from the design exactly; never retype them.
#pragma once

// The Explorer command "copy as data URL" (Lumarind.exe /copy FILE...), also
// read by the resource compiler: Explorer takes it from the program's string
// table, so that it needs no code page of the installer's.
#define LUMARIND_EXPLORER_COPY_VERB "Копировать как data URL"

#ifndef RC_INVOKED
#include "common/Version.h"

namespace lumarind::texts {

// Shown under a preview that was cut; the spelling is the one users know.
inline constexpr wchar_t kTruncationNotice[] =
    L"*** Часть данных пропущена, используйте " L"кнопки копирвания справа ***";
inline constexpr wchar_t kOpenButtonCaption[] = L"Открыть файл...";
inline constexpr wchar_t kCopyButtonCaption[] = L"Копировать";
inline constexpr wchar_t kOneLineButtonCaption[] = L"Одной строкой";
inline constexpr wchar_t kSaveButtonCaption[] = L"Сохранить файл...";
inline constexpr wchar_t kOpenFilter[] = L"Все файлы|*.*";
inline constexpr wchar_t kSaveFilter[] = L"Многострочный Data URL|*.*|Data URL одной строкой|*.*";
inline constexpr wchar_t kCannotReadFile[] = L"Не удаётся прочитать файл.";
inline constexpr wchar_t kCannotBuildDataUrl[] = L"Не удаётся сформировать Data URL.";
inline constexpr wchar_t kCannotWriteFile[] = L"Не удаётся записать файл.";
inline constexpr wchar_t kFileTooLarge[] = L"Файл слишком велик: для него не хватает памяти.";
inline constexpr wchar_t kNotEnoughMemory[] = L"Не хватает памяти.";
// Shown beside the progress of long work, and the button that stops it.
inline constexpr wchar_t kLoadingProgress[] = L"Чтение файла...";
inline constexpr wchar_t kSavingProgress[] = L"Сохранение файла...";
inline constexpr wchar_t kCancelButtonCaption[] = L"Отмена";
inline constexpr wchar_t kNothingToCopy[] = L"Копировать нечего.";
inline constexpr wchar_t kNothingToSave[] = L"Сохранять нечего.";
inline constexpr wchar_t kCopyFailed[] = L"Не удалось скопировать текст.";
inline constexpr wchar_t kCopyLostOnClose[] =
    L"Скопированный текст не удалось оставить в буфере обмена: после закрытия программы его там не будет.";
inline constexpr wchar_t kCannotOpenHelp[] = L"Не удаётся открыть файл справки.";
inline constexpr wchar_t kAboutVersionPrefix[] = L"Версия ";

// Pasting (Ctrl+V, Shift+Insert). Pasted content is named as a file would
// be: this name and the extension of its type.
inline constexpr wchar_t kPastedName[] = L"вставка";
inline constexpr wchar_t kNothingToPaste[] = L"В буфере обмена нет ни файлов, ни изображения, ни текста.";
inline constexpr wchar_t kCannotPaste[] = L"Не удаётся прочитать буфер обмена: возможно, его занимает другая программа.";
inline constexpr wchar_t kCannotDecodeDataUrl[] = L"Текст в буфере обмена начинается как Data URL, но не декодируется.";
// What the window shows for a pasted data URL instead of its text.
inline constexpr wchar_t kPastedDataUrlHeading[] = L"Data URL из буфера обмена";
inline constexpr wchar_t kPastedTypeLabel[] = L"Тип: ";
inline constexpr wchar_t kPastedNoType[] = L"не указан (значит, text/plain;charset=US-ASCII)";
inline constexpr wchar_t kPastedSizeLabel[] = L"Размер в байтах: ";
inline constexpr wchar_t kPastedSaveHint[] = L"Кнопка «Сохранить файл...» запишет эти данные в файл.";
inline constexpr wchar_t kPastedTextStart[] = L"Начало текста:";
// The first entry of the Save dialog for a pasted data URL; the two of
// kSaveFilter follow it.
inline constexpr wchar_t kDecodedFileFilter[] = L"Декодированные данные";
inline constexpr wchar_t kExplorerCopyVerb[] = LUMARIND_WIDEN(LUMARIND_EXPLORER_COPY_VERB);

}  // namespace lumarind::texts
#endif
