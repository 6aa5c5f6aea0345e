; electron-builder-messages.nsh: what electron-builder.nsh shows the person at the installer and
; the uninstaller, in each language of electron-builder's own "cannot be closed" message (and in
; Korean, Norwegian Bokmål and Thai, which its multi-language installers offer too); English in
; any other. Read by electron-builder.nsh inside a function: each line is one sentence in one
; language, "!insertmacro ProcsweepMessage <Windows language id> <sentence> "<text>"".
;
; In the texts: ${PRODUCT_NAME} is the application's name, $ProcsweepError a Windows error number,
; $ProcsweepHolders the programs that hold the application's files ("Name (PID 1234)" a line),
; $\r$\n a line break. The buttons named are Windows' own (OK, Retry, Abort, Ignore), in the
; language of Windows.
;
; A language is under the "Language ID" of the NSIS language file (.nlf) its installer loads
; ($LANGUAGE): Spanish under SpanishInternational's (3082, what electron-builder loads) and
; Spanish's (1034). Azerbaijani, Bengali and Marathi, which NSIS has no file for, are under
; Windows' ids (Azerbaijani twice: 1068 Latin, and 2092, electron-builder's).
;
; The sentences:
;   waiting          on the details page and the one-click banner while the application is
;                    asked to close
;   question         the question before the application is ended (OK ends it)
;   ending           on the details page when it is ended
;   close-by-hand    where this Windows cannot run procsweep.exe, or a policy refuses it (OK)
;   check-failed     procsweep.exe could not be run (Retry, Cancel)
;   holders          before the list of programs that hold the application's files, after
;                    electron-builder's own "cannot be closed" and "uninstall failed" messages
;   still-in-use     files still held after the application was ended (Abort, Retry, Ignore)
;   waiting-files    on the details page while the files are let go

; English (1033)
!insertmacro ProcsweepMessage 1033 waiting "Waiting up to 10 seconds for ${PRODUCT_NAME} to close."
!insertmacro ProcsweepMessage 1033 question "${PRODUCT_NAME} is still running. End it now? Unsaved work in it is lost."
!insertmacro ProcsweepMessage 1033 ending "Ending ${PRODUCT_NAME}."
!insertmacro ProcsweepMessage 1033 close-by-hand "Please close ${PRODUCT_NAME} if it is running, then click OK."
!insertmacro ProcsweepMessage 1033 check-failed "Setup could not check whether ${PRODUCT_NAME} is running (error $ProcsweepError). Nothing was changed.$\r$\nClick Retry to check again."
!insertmacro ProcsweepMessage 1033 holders "These programs are using files of ${PRODUCT_NAME}:"
!insertmacro ProcsweepMessage 1033 still-in-use "Files of ${PRODUCT_NAME} are still in use by:$\r$\n$ProcsweepHolders$\r$\n$\r$\nClick Retry to check again, Ignore to go on anyway, or Abort to stop without changing anything."
!insertmacro ProcsweepMessage 1033 waiting-files "Waiting up to 5 seconds for the files of ${PRODUCT_NAME} to be let go."

; Arabic (1025)
!insertmacro ProcsweepMessage 1025 waiting "جارٍ انتظار إغلاق ${PRODUCT_NAME}، لمدة أقصاها 10 ثوانٍ."
!insertmacro ProcsweepMessage 1025 question "لا يزال ${PRODUCT_NAME} قيد التشغيل. هل تريد إنهاءه الآن؟ سيُفقد أي عمل غير محفوظ فيه."
!insertmacro ProcsweepMessage 1025 ending "جارٍ إنهاء ${PRODUCT_NAME}."
!insertmacro ProcsweepMessage 1025 close-by-hand "يُرجى إغلاق ${PRODUCT_NAME} إذا كان قيد التشغيل، ثم الضغط على « موافق »."
!insertmacro ProcsweepMessage 1025 check-failed "تعذّر التحقق مما إذا كان ${PRODUCT_NAME} قيد التشغيل (الخطأ $ProcsweepError). لم يتم تغيير أي شيء.$\r$\nاضغط على « إعادة المحاولة » للتحقق مرة أخرى."
!insertmacro ProcsweepMessage 1025 holders "البرامج التالية تستخدم ملفات ${PRODUCT_NAME}:"
!insertmacro ProcsweepMessage 1025 still-in-use "لا تزال ملفات ${PRODUCT_NAME} قيد الاستخدام من قِبل:$\r$\n$ProcsweepHolders$\r$\n$\r$\nاضغط على « إعادة المحاولة » للتحقق مرة أخرى، أو « تجاهل » للمتابعة على أي حال، أو « إحباط » للتوقف دون تغيير أي شيء."
!insertmacro ProcsweepMessage 1025 waiting-files "جارٍ انتظار تحرير ملفات ${PRODUCT_NAME}، لمدة أقصاها 5 ثوانٍ."

; Azerbaijani (1068)
!insertmacro ProcsweepMessage 1068 waiting "${PRODUCT_NAME} tətbiqinin bağlanması gözlənilir (ən çoxu 10 saniyə)."
!insertmacro ProcsweepMessage 1068 question "${PRODUCT_NAME} tətbiqi hələ də işləyir. Onu indi dayandırmaq istəyirsiniz? Orada saxlanmamış işlər itəcək."
!insertmacro ProcsweepMessage 1068 ending "${PRODUCT_NAME} tətbiqi dayandırılır."
!insertmacro ProcsweepMessage 1068 close-by-hand "Zəhmət olmasa, ${PRODUCT_NAME} tətbiqi işləyirsə, onu bağlayın, sonra «Oldu» düyməsinə klikləyin."
!insertmacro ProcsweepMessage 1068 check-failed "${PRODUCT_NAME} tətbiqinin işləyib-işləmədiyini yoxlamaq mümkün olmadı (xəta $ProcsweepError). Heç nə dəyişdirilmədi.$\r$\nYenidən yoxlamaq üçün «Yenidən sına» düyməsinə klikləyin."
!insertmacro ProcsweepMessage 1068 holders "Bu proqramlar ${PRODUCT_NAME} tətbiqinin fayllarından istifadə edir:"
!insertmacro ProcsweepMessage 1068 still-in-use "${PRODUCT_NAME} tətbiqinin faylları hələ də bu proqramlar tərəfindən istifadə olunur:$\r$\n$ProcsweepHolders$\r$\n$\r$\nYenidən yoxlamaq üçün «Yenidən sına», yenə də davam etmək üçün «İqnor et», heç nəyi dəyişmədən dayandırmaq üçün isə «Dayandır» düyməsinə klikləyin."
!insertmacro ProcsweepMessage 1068 waiting-files "${PRODUCT_NAME} tətbiqinin fayllarının azad olunması gözlənilir (ən çoxu 5 saniyə)."

; Azerbaijani (2092)
!insertmacro ProcsweepMessage 2092 waiting "${PRODUCT_NAME} tətbiqinin bağlanması gözlənilir (ən çoxu 10 saniyə)."
!insertmacro ProcsweepMessage 2092 question "${PRODUCT_NAME} tətbiqi hələ də işləyir. Onu indi dayandırmaq istəyirsiniz? Orada saxlanmamış işlər itəcək."
!insertmacro ProcsweepMessage 2092 ending "${PRODUCT_NAME} tətbiqi dayandırılır."
!insertmacro ProcsweepMessage 2092 close-by-hand "Zəhmət olmasa, ${PRODUCT_NAME} tətbiqi işləyirsə, onu bağlayın, sonra «Oldu» düyməsinə klikləyin."
!insertmacro ProcsweepMessage 2092 check-failed "${PRODUCT_NAME} tətbiqinin işləyib-işləmədiyini yoxlamaq mümkün olmadı (xəta $ProcsweepError). Heç nə dəyişdirilmədi.$\r$\nYenidən yoxlamaq üçün «Yenidən sına» düyməsinə klikləyin."
!insertmacro ProcsweepMessage 2092 holders "Bu proqramlar ${PRODUCT_NAME} tətbiqinin fayllarından istifadə edir:"
!insertmacro ProcsweepMessage 2092 still-in-use "${PRODUCT_NAME} tətbiqinin faylları hələ də bu proqramlar tərəfindən istifadə olunur:$\r$\n$ProcsweepHolders$\r$\n$\r$\nYenidən yoxlamaq üçün «Yenidən sına», yenə də davam etmək üçün «İqnor et», heç nəyi dəyişmədən dayandırmaq üçün isə «Dayandır» düyməsinə klikləyin."
!insertmacro ProcsweepMessage 2092 waiting-files "${PRODUCT_NAME} tətbiqinin fayllarının azad olunması gözlənilir (ən çoxu 5 saniyə)."

; Afrikaans (1078)
!insertmacro ProcsweepMessage 1078 waiting "Wag tot 10 sekondes dat ${PRODUCT_NAME} toemaak."
!insertmacro ProcsweepMessage 1078 question "${PRODUCT_NAME} loop nog. Moet dit nou beëindig word? Werk daarin wat nie gestoor is nie, gaan verlore."
!insertmacro ProcsweepMessage 1078 ending "${PRODUCT_NAME} word beëindig."
!insertmacro ProcsweepMessage 1078 close-by-hand "Maak asb. ${PRODUCT_NAME} toe as dit loop, en klik dan OK."
!insertmacro ProcsweepMessage 1078 check-failed "Kon nie nagaan of ${PRODUCT_NAME} loop nie (fout $ProcsweepError). Niks is verander nie.$\r$\nKlik Probeer weer om weer na te gaan."
!insertmacro ProcsweepMessage 1078 holders "Hierdie programme gebruik lêers van ${PRODUCT_NAME}:"
!insertmacro ProcsweepMessage 1078 still-in-use "Lêers van ${PRODUCT_NAME} word steeds gebruik deur:$\r$\n$ProcsweepHolders$\r$\n$\r$\nKlik Probeer weer om weer na te gaan, Ignoreer om tog voort te gaan, of Staak om te stop sonder om iets te verander."
!insertmacro ProcsweepMessage 1078 waiting-files "Wag tot 5 sekondes dat die lêers van ${PRODUCT_NAME} vrygestel word."

; Bengali (1093)
!insertmacro ProcsweepMessage 1093 waiting "${PRODUCT_NAME} বন্ধ হওয়ার জন্য সর্বোচ্চ ১০ সেকেন্ড অপেক্ষা করা হচ্ছে।"
!insertmacro ProcsweepMessage 1093 question "${PRODUCT_NAME} এখনও চলছে। এখনই এটি বন্ধ করে দেবেন? এতে সংরক্ষণ না করা কাজ হারিয়ে যাবে।"
!insertmacro ProcsweepMessage 1093 ending "${PRODUCT_NAME} বন্ধ করে দেওয়া হচ্ছে।"
!insertmacro ProcsweepMessage 1093 close-by-hand "${PRODUCT_NAME} চালু থাকলে অনুগ্রহ করে এটি বন্ধ করুন, তারপর OK এ ক্লিক করুন।"
!insertmacro ProcsweepMessage 1093 check-failed "${PRODUCT_NAME} চলছে কি না তা যাচাই করা যায়নি (ত্রুটি $ProcsweepError)। কিছুই পরিবর্তন করা হয়নি।$\r$\nআবার যাচাই করতে Retry এ ক্লিক করুন।"
!insertmacro ProcsweepMessage 1093 holders "এই প্রোগ্রামগুলি ${PRODUCT_NAME}-এর ফাইল ব্যবহার করছে:"
!insertmacro ProcsweepMessage 1093 still-in-use "${PRODUCT_NAME}-এর ফাইল এখনও এই প্রোগ্রামগুলি ব্যবহার করছে:$\r$\n$ProcsweepHolders$\r$\n$\r$\nআবার যাচাই করতে Retry, তবুও চালিয়ে যেতে Ignore, অথবা কিছু পরিবর্তন না করে থামাতে Abort এ ক্লিক করুন।"
!insertmacro ProcsweepMessage 1093 waiting-files "${PRODUCT_NAME}-এর ফাইলগুলি ছেড়ে দেওয়ার জন্য সর্বোচ্চ ৫ সেকেন্ড অপেক্ষা করা হচ্ছে।"

; Catalan (1027)
!insertmacro ProcsweepMessage 1027 waiting "S'està esperant fins a 10 segons que es tanqui ${PRODUCT_NAME}."
!insertmacro ProcsweepMessage 1027 question "${PRODUCT_NAME} encara s'està executant. Voleu finalitzar-lo ara? Es perdrà la feina que no s'hi hagi desat."
!insertmacro ProcsweepMessage 1027 ending "S'està finalitzant ${PRODUCT_NAME}."
!insertmacro ProcsweepMessage 1027 close-by-hand "Tanqueu ${PRODUCT_NAME} si s'està executant i després feu clic a D'acord."
!insertmacro ProcsweepMessage 1027 check-failed "No s'ha pogut comprovar si ${PRODUCT_NAME} s'està executant (error $ProcsweepError). No s'ha canviat res.$\r$\nFeu clic a Torna-ho a provar per comprovar-ho de nou."
!insertmacro ProcsweepMessage 1027 holders "Aquests programes fan servir fitxers de ${PRODUCT_NAME}:"
!insertmacro ProcsweepMessage 1027 still-in-use "Aquests programes encara fan servir fitxers de ${PRODUCT_NAME}:$\r$\n$ProcsweepHolders$\r$\n$\r$\nFeu clic a Torna-ho a provar per comprovar-ho de nou, a Ignora per continuar igualment o a Interromp per aturar-vos sense canviar res."
!insertmacro ProcsweepMessage 1027 waiting-files "S'està esperant fins a 5 segons que s'alliberin els fitxers de ${PRODUCT_NAME}."

; Czech (1029)
!insertmacro ProcsweepMessage 1029 waiting "Čekání až 10 sekund na zavření aplikace ${PRODUCT_NAME}."
!insertmacro ProcsweepMessage 1029 question "Aplikace ${PRODUCT_NAME} stále běží. Chcete ji nyní ukončit? Neuložená práce v ní bude ztracena."
!insertmacro ProcsweepMessage 1029 ending "Ukončování aplikace ${PRODUCT_NAME}."
!insertmacro ProcsweepMessage 1029 close-by-hand "Pokud aplikace ${PRODUCT_NAME} běží, zavřete ji a poté klikněte na OK."
!insertmacro ProcsweepMessage 1029 check-failed "Nepodařilo se zjistit, zda aplikace ${PRODUCT_NAME} běží (chyba $ProcsweepError). Nic nebylo změněno.$\r$\nPro novou kontrolu klikněte na Opakovat."
!insertmacro ProcsweepMessage 1029 holders "Tyto programy používají soubory aplikace ${PRODUCT_NAME}:"
!insertmacro ProcsweepMessage 1029 still-in-use "Soubory aplikace ${PRODUCT_NAME} stále používá:$\r$\n$ProcsweepHolders$\r$\n$\r$\nKlikněte na Opakovat pro novou kontrolu, na Ignorovat, chcete-li přesto pokračovat, nebo na Přerušit, chcete-li skončit bez jakýchkoli změn."
!insertmacro ProcsweepMessage 1029 waiting-files "Čekání až 5 sekund na uvolnění souborů aplikace ${PRODUCT_NAME}."

; Welsh (1106)
!insertmacro ProcsweepMessage 1106 waiting "Yn aros hyd at 10 eiliad i ${PRODUCT_NAME} gau."
!insertmacro ProcsweepMessage 1106 question "Mae ${PRODUCT_NAME} yn dal i redeg. Ei derfynu nawr? Bydd gwaith heb ei gadw ynddo'n cael ei golli."
!insertmacro ProcsweepMessage 1106 ending "Yn terfynu ${PRODUCT_NAME}."
!insertmacro ProcsweepMessage 1106 close-by-hand "Caewch ${PRODUCT_NAME} os yw'n rhedeg, yna cliciwch Iawn."
!insertmacro ProcsweepMessage 1106 check-failed "Nid oedd modd gwirio a yw ${PRODUCT_NAME} yn rhedeg (gwall $ProcsweepError). Nid oes dim wedi newid.$\r$\nCliciwch Ailgynnig i wirio eto."
!insertmacro ProcsweepMessage 1106 holders "Mae'r rhaglenni hyn yn defnyddio ffeiliau ${PRODUCT_NAME}:"
!insertmacro ProcsweepMessage 1106 still-in-use "Mae ffeiliau ${PRODUCT_NAME} yn dal i gael eu defnyddio gan:$\r$\n$ProcsweepHolders$\r$\n$\r$\nCliciwch Ailgynnig i wirio eto, Anwybyddu i fwrw ymlaen beth bynnag, neu Atal i stopio heb newid dim."
!insertmacro ProcsweepMessage 1106 waiting-files "Yn aros hyd at 5 eiliad i ffeiliau ${PRODUCT_NAME} gael eu rhyddhau."

; Danish (1030)
!insertmacro ProcsweepMessage 1030 waiting "Venter op til 10 sekunder på, at ${PRODUCT_NAME} lukker."
!insertmacro ProcsweepMessage 1030 question "${PRODUCT_NAME} kører stadig. Vil du afslutte den nu? Arbejde i den, der ikke er gemt, går tabt."
!insertmacro ProcsweepMessage 1030 ending "Afslutter ${PRODUCT_NAME}."
!insertmacro ProcsweepMessage 1030 close-by-hand "Luk ${PRODUCT_NAME}, hvis den kører, og klik derefter på OK."
!insertmacro ProcsweepMessage 1030 check-failed "Det kunne ikke kontrolleres, om ${PRODUCT_NAME} kører (fejl $ProcsweepError). Intet er ændret.$\r$\nKlik på Prøv igen for at kontrollere igen."
!insertmacro ProcsweepMessage 1030 holders "Disse programmer bruger filer fra ${PRODUCT_NAME}:"
!insertmacro ProcsweepMessage 1030 still-in-use "Filer fra ${PRODUCT_NAME} bruges stadig af:$\r$\n$ProcsweepHolders$\r$\n$\r$\nKlik på Prøv igen for at kontrollere igen, Ignorer for at fortsætte alligevel, eller Afbryd for at stoppe uden at ændre noget."
!insertmacro ProcsweepMessage 1030 waiting-files "Venter op til 5 sekunder på, at filerne fra ${PRODUCT_NAME} frigives."

; German (1031)
!insertmacro ProcsweepMessage 1031 waiting "Es wird bis zu 10 Sekunden gewartet, bis ${PRODUCT_NAME} geschlossen ist."
!insertmacro ProcsweepMessage 1031 question "${PRODUCT_NAME} wird noch ausgeführt. Möchtest du es jetzt beenden? Nicht gespeicherte Arbeit darin geht verloren."
!insertmacro ProcsweepMessage 1031 ending "${PRODUCT_NAME} wird beendet."
!insertmacro ProcsweepMessage 1031 close-by-hand "Bitte schließ ${PRODUCT_NAME}, falls es läuft, und klicke dann auf »OK«."
!insertmacro ProcsweepMessage 1031 check-failed "Es konnte nicht geprüft werden, ob ${PRODUCT_NAME} läuft (Fehler $ProcsweepError). Es wurde nichts geändert.$\r$\nKlicke auf »Wiederholen«, um erneut zu prüfen."
!insertmacro ProcsweepMessage 1031 holders "Diese Programme verwenden Dateien von ${PRODUCT_NAME}:"
!insertmacro ProcsweepMessage 1031 still-in-use "Dateien von ${PRODUCT_NAME} werden noch verwendet von:$\r$\n$ProcsweepHolders$\r$\n$\r$\nKlicke auf »Wiederholen«, um erneut zu prüfen, auf »Ignorieren«, um trotzdem fortzufahren, oder auf »Abbrechen«, um ohne Änderungen abzubrechen."
!insertmacro ProcsweepMessage 1031 waiting-files "Es wird bis zu 5 Sekunden gewartet, bis die Dateien von ${PRODUCT_NAME} freigegeben sind."

; Esperanto (9998)
!insertmacro ProcsweepMessage 9998 waiting "Atendante ĝis 10 sekundoj, ke ${PRODUCT_NAME} fermiĝu."
!insertmacro ProcsweepMessage 9998 question "${PRODUCT_NAME} ankoraŭ funkcias. Ĉu ĉesigi ĝin nun? Nekonservita laboro en ĝi perdiĝos."
!insertmacro ProcsweepMessage 9998 ending "${PRODUCT_NAME} estas ĉesigata."
!insertmacro ProcsweepMessage 9998 close-by-hand "Bonvolu fermi ${PRODUCT_NAME}, se ĝi funkcias, kaj poste alklaku Bone („OK“)."
!insertmacro ProcsweepMessage 9998 check-failed "Ne eblis kontroli, ĉu ${PRODUCT_NAME} funkcias (eraro $ProcsweepError). Nenio estis ŝanĝita.$\r$\nAlklaku „Reprovi“ por kontroli denove."
!insertmacro ProcsweepMessage 9998 holders "Ĉi tiuj programoj uzas dosierojn de ${PRODUCT_NAME}:"
!insertmacro ProcsweepMessage 9998 still-in-use "Dosierojn de ${PRODUCT_NAME} ankoraŭ uzas:$\r$\n$ProcsweepHolders$\r$\n$\r$\nAlklaku „Reprovi“ por kontroli denove, „Ignori“ por tamen daŭrigi, aŭ „Ĉesigi“ por halti sen ŝanĝi ion ajn."
!insertmacro ProcsweepMessage 9998 waiting-files "Atendante ĝis 5 sekundoj, ke la dosieroj de ${PRODUCT_NAME} liberiĝu."

; Greek (1032)
!insertmacro ProcsweepMessage 1032 waiting "Αναμονή έως 10 δευτερόλεπτα για να κλείσει το ${PRODUCT_NAME}."
!insertmacro ProcsweepMessage 1032 question "Το ${PRODUCT_NAME} εκτελείται ακόμη. Θέλετε να τερματιστεί τώρα; Ό,τι δεν έχει αποθηκευτεί σε αυτό θα χαθεί."
!insertmacro ProcsweepMessage 1032 ending "Τερματισμός του ${PRODUCT_NAME}."
!insertmacro ProcsweepMessage 1032 close-by-hand "Κλείστε το ${PRODUCT_NAME}, αν εκτελείται, και μετά κάντε κλικ στο OK."
!insertmacro ProcsweepMessage 1032 check-failed "Δεν ήταν δυνατό να ελεγχθεί αν εκτελείται το ${PRODUCT_NAME} (σφάλμα $ProcsweepError). Δεν άλλαξε τίποτα.$\r$\nΚάντε κλικ στο «Επανάληψη» για νέο έλεγχο."
!insertmacro ProcsweepMessage 1032 holders "Αυτά τα προγράμματα χρησιμοποιούν αρχεία του ${PRODUCT_NAME}:"
!insertmacro ProcsweepMessage 1032 still-in-use "Αρχεία του ${PRODUCT_NAME} χρησιμοποιούνται ακόμη από:$\r$\n$ProcsweepHolders$\r$\n$\r$\nΚάντε κλικ στο «Επανάληψη» για νέο έλεγχο, στο «Παράβλεψη» για να συνεχίσετε παρ' όλα αυτά ή στο «Ματαίωση» για να σταματήσετε χωρίς καμία αλλαγή."
!insertmacro ProcsweepMessage 1032 waiting-files "Αναμονή έως 5 δευτερόλεπτα για να αποδεσμευτούν τα αρχεία του ${PRODUCT_NAME}."

; Spanish (3082)
!insertmacro ProcsweepMessage 3082 waiting "Esperando hasta 10 segundos a que se cierre ${PRODUCT_NAME}."
!insertmacro ProcsweepMessage 3082 question "${PRODUCT_NAME} sigue ejecutándose. ¿Quieres finalizarla ahora? Se perderá el trabajo que no hayas guardado en ella."
!insertmacro ProcsweepMessage 3082 ending "Finalizando ${PRODUCT_NAME}."
!insertmacro ProcsweepMessage 3082 close-by-hand "Cierra ${PRODUCT_NAME} si se está ejecutando y luego haz clic en Aceptar."
!insertmacro ProcsweepMessage 3082 check-failed "No se pudo comprobar si ${PRODUCT_NAME} se está ejecutando (error $ProcsweepError). No se ha cambiado nada.$\r$\nHaz clic en Reintentar para volver a comprobarlo."
!insertmacro ProcsweepMessage 3082 holders "Estos programas están usando archivos de ${PRODUCT_NAME}:"
!insertmacro ProcsweepMessage 3082 still-in-use "Estos programas siguen usando archivos de ${PRODUCT_NAME}:$\r$\n$ProcsweepHolders$\r$\n$\r$\nHaz clic en Reintentar para volver a comprobarlo, en Omitir para continuar de todos modos o en Anular para salir sin cambiar nada."
!insertmacro ProcsweepMessage 3082 waiting-files "Esperando hasta 5 segundos a que se liberen los archivos de ${PRODUCT_NAME}."

; Spanish (1034)
!insertmacro ProcsweepMessage 1034 waiting "Esperando hasta 10 segundos a que se cierre ${PRODUCT_NAME}."
!insertmacro ProcsweepMessage 1034 question "${PRODUCT_NAME} sigue ejecutándose. ¿Quieres finalizarla ahora? Se perderá el trabajo que no hayas guardado en ella."
!insertmacro ProcsweepMessage 1034 ending "Finalizando ${PRODUCT_NAME}."
!insertmacro ProcsweepMessage 1034 close-by-hand "Cierra ${PRODUCT_NAME} si se está ejecutando y luego haz clic en Aceptar."
!insertmacro ProcsweepMessage 1034 check-failed "No se pudo comprobar si ${PRODUCT_NAME} se está ejecutando (error $ProcsweepError). No se ha cambiado nada.$\r$\nHaz clic en Reintentar para volver a comprobarlo."
!insertmacro ProcsweepMessage 1034 holders "Estos programas están usando archivos de ${PRODUCT_NAME}:"
!insertmacro ProcsweepMessage 1034 still-in-use "Estos programas siguen usando archivos de ${PRODUCT_NAME}:$\r$\n$ProcsweepHolders$\r$\n$\r$\nHaz clic en Reintentar para volver a comprobarlo, en Omitir para continuar de todos modos o en Anular para salir sin cambiar nada."
!insertmacro ProcsweepMessage 1034 waiting-files "Esperando hasta 5 segundos a que se liberen los archivos de ${PRODUCT_NAME}."

; Estonian (1061)
!insertmacro ProcsweepMessage 1061 waiting "Oodatakse kuni 10 sekundit, et ${PRODUCT_NAME} sulguks."
!insertmacro ProcsweepMessage 1061 question "${PRODUCT_NAME} töötab endiselt. Kas lõpetada see kohe? Salvestamata töö selles läheb kaotsi."
!insertmacro ProcsweepMessage 1061 ending "${PRODUCT_NAME} lõpetatakse."
!insertmacro ProcsweepMessage 1061 close-by-hand "Palun sulge ${PRODUCT_NAME}, kui see töötab, ja klõpsa siis OK."
!insertmacro ProcsweepMessage 1061 check-failed "Ei õnnestunud kontrollida, kas ${PRODUCT_NAME} töötab (tõrge $ProcsweepError). Midagi ei muudetud.$\r$\nUuesti kontrollimiseks klõpsa „Proovi uuesti“."
!insertmacro ProcsweepMessage 1061 holders "Need programmid kasutavad rakenduse ${PRODUCT_NAME} faile:"
!insertmacro ProcsweepMessage 1061 still-in-use "Rakenduse ${PRODUCT_NAME} faile kasutavad endiselt:$\r$\n$ProcsweepHolders$\r$\n$\r$\nKlõpsa „Proovi uuesti“, et uuesti kontrollida, „Ignoreeri“, et siiski jätkata, või „Katkesta“, et peatuda midagi muutmata."
!insertmacro ProcsweepMessage 1061 waiting-files "Oodatakse kuni 5 sekundit, et rakenduse ${PRODUCT_NAME} failid vabaneksid."

; Persian (1065)
!insertmacro ProcsweepMessage 1065 waiting "در انتظار بسته شدن ${PRODUCT_NAME} (حداکثر ۱۰ ثانیه)."
!insertmacro ProcsweepMessage 1065 question "${PRODUCT_NAME} هنوز در حال اجراست. آیا می‌خواهید اکنون به آن خاتمه دهید؟ کارهای ذخیره‌نشده در آن از بین می‌رود."
!insertmacro ProcsweepMessage 1065 ending "در حال خاتمه دادن به ${PRODUCT_NAME}."
!insertmacro ProcsweepMessage 1065 close-by-hand "لطفاً اگر ${PRODUCT_NAME} در حال اجراست، آن را ببندید و سپس روی «تأیید» کلیک کنید."
!insertmacro ProcsweepMessage 1065 check-failed "بررسی اینکه ${PRODUCT_NAME} در حال اجراست یا نه ممکن نشد (خطای $ProcsweepError). هیچ چیزی تغییر نکرد.$\r$\nبرای بررسی دوباره روی «تلاش مجدد» کلیک کنید."
!insertmacro ProcsweepMessage 1065 holders "این برنامه‌ها از فایل‌های ${PRODUCT_NAME} استفاده می‌کنند:"
!insertmacro ProcsweepMessage 1065 still-in-use "این برنامه‌ها هنوز از فایل‌های ${PRODUCT_NAME} استفاده می‌کنند:$\r$\n$ProcsweepHolders$\r$\n$\r$\nبرای بررسی دوباره روی «تلاش مجدد»، برای ادامه در هر حال روی «نادیده گرفتن» و برای توقف بدون هیچ تغییری روی «قطع» کلیک کنید."
!insertmacro ProcsweepMessage 1065 waiting-files "در انتظار آزاد شدن فایل‌های ${PRODUCT_NAME} (حداکثر ۵ ثانیه)."

; Finnish (1035)
!insertmacro ProcsweepMessage 1035 waiting "Odotetaan enintään 10 sekuntia, että ${PRODUCT_NAME} sulkeutuu."
!insertmacro ProcsweepMessage 1035 question "${PRODUCT_NAME} on yhä käynnissä. Lopetetaanko se nyt? Siinä olevat tallentamattomat tiedot menetetään."
!insertmacro ProcsweepMessage 1035 ending "Lopetetaan ${PRODUCT_NAME}."
!insertmacro ProcsweepMessage 1035 close-by-hand "Sulje ${PRODUCT_NAME}, jos se on käynnissä, ja valitse sitten OK."
!insertmacro ProcsweepMessage 1035 check-failed "Ei voitu tarkistaa, onko ${PRODUCT_NAME} käynnissä (virhe $ProcsweepError). Mitään ei muutettu.$\r$\nTarkista uudelleen valitsemalla Yritä uudelleen."
!insertmacro ProcsweepMessage 1035 holders "Nämä ohjelmat käyttävät sovelluksen ${PRODUCT_NAME} tiedostoja:"
!insertmacro ProcsweepMessage 1035 still-in-use "Sovelluksen ${PRODUCT_NAME} tiedostoja käyttävät yhä:$\r$\n$ProcsweepHolders$\r$\n$\r$\nValitse Yritä uudelleen tarkistaaksesi uudelleen, Ohita jatkaaksesi silti tai Keskeytä lopettaaksesi muuttamatta mitään."
!insertmacro ProcsweepMessage 1035 waiting-files "Odotetaan enintään 5 sekuntia, että sovelluksen ${PRODUCT_NAME} tiedostot vapautuvat."

; French (1036)
!insertmacro ProcsweepMessage 1036 waiting "Attente de la fermeture de ${PRODUCT_NAME} (10 secondes au plus)."
!insertmacro ProcsweepMessage 1036 question "${PRODUCT_NAME} est toujours en cours d’exécution. Voulez-vous l’arrêter maintenant ? Le travail non enregistré sera perdu."
!insertmacro ProcsweepMessage 1036 ending "Arrêt de ${PRODUCT_NAME}."
!insertmacro ProcsweepMessage 1036 close-by-hand "Veuillez fermer ${PRODUCT_NAME} s’il est en cours d’exécution, puis cliquer sur OK."
!insertmacro ProcsweepMessage 1036 check-failed "Impossible de vérifier si ${PRODUCT_NAME} est en cours d’exécution (erreur $ProcsweepError). Rien n’a été modifié.$\r$\nCliquez sur Recommencer pour vérifier à nouveau."
!insertmacro ProcsweepMessage 1036 holders "Ces programmes utilisent des fichiers de ${PRODUCT_NAME} :"
!insertmacro ProcsweepMessage 1036 still-in-use "Des fichiers de ${PRODUCT_NAME} sont encore utilisés par :$\r$\n$ProcsweepHolders$\r$\n$\r$\nCliquez sur Recommencer pour vérifier à nouveau, sur Ignorer pour continuer quand même, ou sur Abandonner pour arrêter sans rien modifier."
!insertmacro ProcsweepMessage 1036 waiting-files "Attente de la libération des fichiers de ${PRODUCT_NAME} (5 secondes au plus)."

; Scottish Gaelic (1169)
!insertmacro ProcsweepMessage 1169 waiting "A’ feitheamh suas ri 10 diogan gus an dùin ${PRODUCT_NAME}."
!insertmacro ProcsweepMessage 1169 question "Tha ${PRODUCT_NAME} a’ ruith fhathast. A bheil thu airson crìoch a chur air an-dràsta? Thèid obair nach deach a shàbhaladh ann air chall."
!insertmacro ProcsweepMessage 1169 ending "A’ cur crìoch air ${PRODUCT_NAME}."
!insertmacro ProcsweepMessage 1169 close-by-hand "Dùin ${PRODUCT_NAME} ma tha e a’ ruith is briog air “Ceart ma-thà” an uairsin."
!insertmacro ProcsweepMessage 1169 check-failed "Cha b’ urrainn dhuinn dearbhadh a bheil ${PRODUCT_NAME} a’ ruith (mearachd $ProcsweepError). Cha deach dad atharrachadh.$\r$\nBriog air “Feuch ris a-rithist” gus dearbhadh a-rithist."
!insertmacro ProcsweepMessage 1169 holders "Tha na prògraman seo a’ cleachdadh faidhlichean aig ${PRODUCT_NAME}:"
!insertmacro ProcsweepMessage 1169 still-in-use "Tha faidhlichean aig ${PRODUCT_NAME} gan cleachdadh fhathast le:$\r$\n$ProcsweepHolders$\r$\n$\r$\nBriog air “Feuch ris a-rithist” gus dearbhadh a-rithist, air “Leig seachad” gus leantainn air adhart co-dhiù no air “Sguir dheth” gus sgur gun dad atharrachadh."
!insertmacro ProcsweepMessage 1169 waiting-files "A’ feitheamh suas ri 5 diogan gus an tèid na faidhlichean aig ${PRODUCT_NAME} a leigeil ma sgaoil."

; Hebrew (1037)
!insertmacro ProcsweepMessage 1037 waiting "ממתין עד 10 שניות לסגירת ${PRODUCT_NAME}."
!insertmacro ProcsweepMessage 1037 question "${PRODUCT_NAME} עדיין פועל. לסיים אותו עכשיו? עבודה שלא נשמרה בו תאבד."
!insertmacro ProcsweepMessage 1037 ending "מסיים את ${PRODUCT_NAME}."
!insertmacro ProcsweepMessage 1037 close-by-hand "סגור את ${PRODUCT_NAME} אם הוא פועל, ולאחר מכן לחץ על אישור."
!insertmacro ProcsweepMessage 1037 check-failed "לא ניתן היה לבדוק אם ${PRODUCT_NAME} פועל (שגיאה $ProcsweepError). שום דבר לא שונה.$\r$\nלחץ על נסה שוב כדי לבדוק שוב."
!insertmacro ProcsweepMessage 1037 holders "התוכניות הבאות משתמשות בקבצים של ${PRODUCT_NAME}:"
!insertmacro ProcsweepMessage 1037 still-in-use "קבצים של ${PRODUCT_NAME} עדיין בשימוש על ידי:$\r$\n$ProcsweepHolders$\r$\n$\r$\nלחץ על נסה שוב כדי לבדוק שוב, על התעלם כדי להמשיך בכל זאת, או על בטל כדי לעצור בלי לשנות דבר."
!insertmacro ProcsweepMessage 1037 waiting-files "ממתין עד 5 שניות לשחרור הקבצים של ${PRODUCT_NAME}."

; Hindi (1081)
!insertmacro ProcsweepMessage 1081 waiting "${PRODUCT_NAME} के बंद होने के लिए अधिकतम 10 सेकंड तक प्रतीक्षा की जा रही है।"
!insertmacro ProcsweepMessage 1081 question "${PRODUCT_NAME} अभी भी चल रहा है। क्या आप इसे अभी समाप्त करना चाहते हैं? इसमें बिना सहेजा गया काम खो जाएगा।"
!insertmacro ProcsweepMessage 1081 ending "${PRODUCT_NAME} को समाप्त किया जा रहा है।"
!insertmacro ProcsweepMessage 1081 close-by-hand "यदि ${PRODUCT_NAME} चल रहा है, तो कृपया इसे बंद करें, फिर “ठीक है” पर क्लिक करें।"
!insertmacro ProcsweepMessage 1081 check-failed "यह जाँचा नहीं जा सका कि ${PRODUCT_NAME} चल रहा है या नहीं (त्रुटि $ProcsweepError)। कुछ भी नहीं बदला गया।$\r$\nफिर से जाँचने के लिए “पुनः प्रयास करें” पर क्लिक करें।"
!insertmacro ProcsweepMessage 1081 holders "ये प्रोग्राम ${PRODUCT_NAME} की फ़ाइलों का उपयोग कर रहे हैं:"
!insertmacro ProcsweepMessage 1081 still-in-use "${PRODUCT_NAME} की फ़ाइलें अभी भी इनके द्वारा उपयोग में हैं:$\r$\n$ProcsweepHolders$\r$\n$\r$\nफिर से जाँचने के लिए “पुनः प्रयास करें”, फिर भी जारी रखने के लिए “अनदेखा करें”, या बिना कुछ बदले रुकने के लिए “निरस्त करें” पर क्लिक करें।"
!insertmacro ProcsweepMessage 1081 waiting-files "${PRODUCT_NAME} की फ़ाइलें मुक्त होने के लिए अधिकतम 5 सेकंड तक प्रतीक्षा की जा रही है।"

; Hungarian (1038)
!insertmacro ProcsweepMessage 1038 waiting "Várakozás legfeljebb 10 másodpercig, hogy a(z) ${PRODUCT_NAME} alkalmazás bezáródjon."
!insertmacro ProcsweepMessage 1038 question "A(z) ${PRODUCT_NAME} alkalmazás még fut. Leállítod most? A benne lévő, nem mentett munka elvész."
!insertmacro ProcsweepMessage 1038 ending "A(z) ${PRODUCT_NAME} alkalmazás leállítása."
!insertmacro ProcsweepMessage 1038 close-by-hand "Zárd be a(z) ${PRODUCT_NAME} alkalmazást, ha fut, majd kattints az OK gombra."
!insertmacro ProcsweepMessage 1038 check-failed "Nem sikerült ellenőrizni, hogy fut-e a(z) ${PRODUCT_NAME} alkalmazás (hibakód: $ProcsweepError). Semmi sem változott.$\r$\nAz újbóli ellenőrzéshez kattints az Újra gombra."
!insertmacro ProcsweepMessage 1038 holders "Ezek a programok használják a(z) ${PRODUCT_NAME} alkalmazás fájljait:"
!insertmacro ProcsweepMessage 1038 still-in-use "A(z) ${PRODUCT_NAME} alkalmazás fájljait még ezek a programok használják:$\r$\n$ProcsweepHolders$\r$\n$\r$\nKattints az Újra gombra az újbóli ellenőrzéshez, a Kihagyás gombra, ha mégis folytatnád, vagy a Megszakítás gombra, ha változtatás nélkül abbahagynád."
!insertmacro ProcsweepMessage 1038 waiting-files "Várakozás legfeljebb 5 másodpercig, hogy a(z) ${PRODUCT_NAME} alkalmazás fájljai felszabaduljanak."

; Indonesian (1057)
!insertmacro ProcsweepMessage 1057 waiting "Menunggu hingga 10 detik agar ${PRODUCT_NAME} tertutup."
!insertmacro ProcsweepMessage 1057 question "${PRODUCT_NAME} masih berjalan. Hentikan sekarang? Pekerjaan yang belum disimpan di dalamnya akan hilang."
!insertmacro ProcsweepMessage 1057 ending "Menghentikan ${PRODUCT_NAME}."
!insertmacro ProcsweepMessage 1057 close-by-hand "Mohon tutup ${PRODUCT_NAME} jika sedang berjalan, lalu klik OK."
!insertmacro ProcsweepMessage 1057 check-failed "Tidak dapat memeriksa apakah ${PRODUCT_NAME} sedang berjalan (kesalahan $ProcsweepError). Tidak ada yang diubah.$\r$\nKlik Coba Lagi untuk memeriksa ulang."
!insertmacro ProcsweepMessage 1057 holders "Program berikut sedang menggunakan file ${PRODUCT_NAME}:"
!insertmacro ProcsweepMessage 1057 still-in-use "File ${PRODUCT_NAME} masih digunakan oleh:$\r$\n$ProcsweepHolders$\r$\n$\r$\nKlik Coba Lagi untuk memeriksa ulang, Abaikan untuk tetap melanjutkan, atau Batalkan untuk berhenti tanpa mengubah apa pun."
!insertmacro ProcsweepMessage 1057 waiting-files "Menunggu hingga 5 detik agar file ${PRODUCT_NAME} dilepaskan."

; Icelandic (1039)
!insertmacro ProcsweepMessage 1039 waiting "Beðið í allt að 10 sekúndur eftir að ${PRODUCT_NAME} lokist."
!insertmacro ProcsweepMessage 1039 question "${PRODUCT_NAME} er enn í gangi. Viltu stöðva það núna? Óvistuð vinna í því glatast."
!insertmacro ProcsweepMessage 1039 ending "Verið er að stöðva ${PRODUCT_NAME}."
!insertmacro ProcsweepMessage 1039 close-by-hand "Lokaðu ${PRODUCT_NAME} ef það er í gangi og ýttu svo á „Í lagi“."
!insertmacro ProcsweepMessage 1039 check-failed "Ekki tókst að athuga hvort ${PRODUCT_NAME} sé í gangi (villa $ProcsweepError). Engu var breytt.$\r$\nÝttu á „Reyna aftur“ til að athuga aftur."
!insertmacro ProcsweepMessage 1039 holders "Þessi forrit eru að nota skrár frá ${PRODUCT_NAME}:"
!insertmacro ProcsweepMessage 1039 still-in-use "Skrár frá ${PRODUCT_NAME} eru enn í notkun hjá:$\r$\n$ProcsweepHolders$\r$\n$\r$\nÝttu á „Reyna aftur“ til að athuga aftur, „Hunsa“ til að halda samt áfram eða „Hætta“ til að hætta án þess að breyta neinu."
!insertmacro ProcsweepMessage 1039 waiting-files "Beðið í allt að 5 sekúndur eftir að skrár frá ${PRODUCT_NAME} losni."

; Italian (1040)
!insertmacro ProcsweepMessage 1040 waiting "In attesa della chiusura di ${PRODUCT_NAME} (al massimo 10 secondi)."
!insertmacro ProcsweepMessage 1040 question "${PRODUCT_NAME} è ancora in esecuzione. Vuoi terminarlo ora? Il lavoro non salvato andrà perso."
!insertmacro ProcsweepMessage 1040 ending "Terminazione di ${PRODUCT_NAME} in corso."
!insertmacro ProcsweepMessage 1040 close-by-hand "Chiudi ${PRODUCT_NAME} se è in esecuzione, poi clicca su OK."
!insertmacro ProcsweepMessage 1040 check-failed "Impossibile verificare se ${PRODUCT_NAME} è in esecuzione (errore $ProcsweepError). Non è stato modificato nulla.$\r$\nClicca su Riprova per verificare di nuovo."
!insertmacro ProcsweepMessage 1040 holders "Questi programmi stanno usando file di ${PRODUCT_NAME}:"
!insertmacro ProcsweepMessage 1040 still-in-use "Alcuni file di ${PRODUCT_NAME} sono ancora in uso da parte di:$\r$\n$ProcsweepHolders$\r$\n$\r$\nClicca su Riprova per verificare di nuovo, su Ignora per continuare comunque o su Interrompi per fermarti senza modificare nulla."
!insertmacro ProcsweepMessage 1040 waiting-files "In attesa che i file di ${PRODUCT_NAME} vengano rilasciati (al massimo 5 secondi)."

; Japanese (1041)
!insertmacro ProcsweepMessage 1041 waiting "${PRODUCT_NAME} が終了するまで最大 10 秒間待機しています。"
!insertmacro ProcsweepMessage 1041 question "${PRODUCT_NAME} はまだ実行中です。今すぐ強制終了しますか？保存されていない作業は失われます。"
!insertmacro ProcsweepMessage 1041 ending "${PRODUCT_NAME} を強制終了しています。"
!insertmacro ProcsweepMessage 1041 close-by-hand "${PRODUCT_NAME} が実行中の場合は閉じてから、「OK」をクリックしてください。"
!insertmacro ProcsweepMessage 1041 check-failed "${PRODUCT_NAME} が実行中かどうかを確認できませんでした (エラー $ProcsweepError)。何も変更されていません。$\r$\nもう一度確認するには「再試行」をクリックしてください。"
!insertmacro ProcsweepMessage 1041 holders "次のプログラムが ${PRODUCT_NAME} のファイルを使用しています:"
!insertmacro ProcsweepMessage 1041 still-in-use "${PRODUCT_NAME} のファイルは、まだ次のプログラムで使用されています:$\r$\n$ProcsweepHolders$\r$\n$\r$\nもう一度確認するには「再試行」、このまま続行するには「無視」、何も変更せずに中止するには「中止」をクリックしてください。"
!insertmacro ProcsweepMessage 1041 waiting-files "${PRODUCT_NAME} のファイルが解放されるまで最大 5 秒間待機しています。"

; Lithuanian (1063)
!insertmacro ProcsweepMessage 1063 waiting "Laukiama iki 10 sekundžių, kol ${PRODUCT_NAME} užsivers."
!insertmacro ProcsweepMessage 1063 question "${PRODUCT_NAME} vis dar veikia. Ar nutraukti jos darbą dabar? Neįrašytas darbas joje bus prarastas."
!insertmacro ProcsweepMessage 1063 ending "Nutraukiamas ${PRODUCT_NAME} darbas."
!insertmacro ProcsweepMessage 1063 close-by-hand "Jei ${PRODUCT_NAME} veikia, užverkite ją ir spustelėkite „Gerai“."
!insertmacro ProcsweepMessage 1063 check-failed "Nepavyko patikrinti, ar ${PRODUCT_NAME} veikia (klaida $ProcsweepError). Niekas nepakeista.$\r$\nNorėdami patikrinti dar kartą, spustelėkite „Bandyti dar kartą“."
!insertmacro ProcsweepMessage 1063 holders "Šios programos naudoja ${PRODUCT_NAME} failus:"
!insertmacro ProcsweepMessage 1063 still-in-use "${PRODUCT_NAME} failus vis dar naudoja:$\r$\n$ProcsweepHolders$\r$\n$\r$\nSpustelėkite „Bandyti dar kartą“, kad patikrintumėte dar kartą, „Nepaisyti“, kad vis tiek tęstumėte, arba „Nutraukti“, kad sustabdytumėte nieko nekeisdami."
!insertmacro ProcsweepMessage 1063 waiting-files "Laukiama iki 5 sekundžių, kol bus atlaisvinti ${PRODUCT_NAME} failai."

; Marathi (1102)
!insertmacro ProcsweepMessage 1102 waiting "${PRODUCT_NAME} बंद होण्यासाठी जास्तीत जास्त 10 सेकंद प्रतीक्षा करत आहे."
!insertmacro ProcsweepMessage 1102 question "${PRODUCT_NAME} अजूनही चालू आहे. ते आत्ता सक्तीने बंद करायचे का? त्यातील जतन न केलेले काम गमावले जाईल."
!insertmacro ProcsweepMessage 1102 ending "${PRODUCT_NAME} सक्तीने बंद करत आहे."
!insertmacro ProcsweepMessage 1102 close-by-hand "${PRODUCT_NAME} चालू असल्यास कृपया ते बंद करा, नंतर OK वर क्लिक करा."
!insertmacro ProcsweepMessage 1102 check-failed "${PRODUCT_NAME} चालू आहे की नाही हे तपासता आले नाही (त्रुटी $ProcsweepError). काहीही बदलले नाही.$\r$\nपुन्हा तपासण्यासाठी पुन्हा प्रयत्न (Retry) वर क्लिक करा."
!insertmacro ProcsweepMessage 1102 holders "हे प्रोग्राम ${PRODUCT_NAME} च्या फायली वापरत आहेत:"
!insertmacro ProcsweepMessage 1102 still-in-use "${PRODUCT_NAME} च्या फायली अजूनही हे प्रोग्राम वापरत आहेत:$\r$\n$ProcsweepHolders$\r$\n$\r$\nपुन्हा तपासण्यासाठी पुन्हा प्रयत्न (Retry), तरीही पुढे जाण्यासाठी दुर्लक्ष करा (Ignore), किंवा काहीही न बदलता थांबण्यासाठी थांबवा (Abort) वर क्लिक करा."
!insertmacro ProcsweepMessage 1102 waiting-files "${PRODUCT_NAME} च्या फायली मोकळ्या होण्यासाठी जास्तीत जास्त 5 सेकंद प्रतीक्षा करत आहे."

; Malay (1086)
!insertmacro ProcsweepMessage 1086 waiting "Menunggu sehingga 10 saat untuk ${PRODUCT_NAME} ditutup."
!insertmacro ProcsweepMessage 1086 question "${PRODUCT_NAME} masih berjalan. Hentikan sekarang? Kerja yang belum disimpan di dalamnya akan hilang."
!insertmacro ProcsweepMessage 1086 ending "Menghentikan ${PRODUCT_NAME}."
!insertmacro ProcsweepMessage 1086 close-by-hand "Sila tutup ${PRODUCT_NAME} jika ia sedang berjalan, kemudian klik OK."
!insertmacro ProcsweepMessage 1086 check-failed "Tidak dapat menyemak sama ada ${PRODUCT_NAME} sedang berjalan (ralat $ProcsweepError). Tiada apa-apa yang diubah.$\r$\nKlik Cuba Semula untuk menyemak sekali lagi."
!insertmacro ProcsweepMessage 1086 holders "Program ini sedang menggunakan fail ${PRODUCT_NAME}:"
!insertmacro ProcsweepMessage 1086 still-in-use "Fail ${PRODUCT_NAME} masih digunakan oleh:$\r$\n$ProcsweepHolders$\r$\n$\r$\nKlik Cuba Semula untuk menyemak sekali lagi, Abaikan untuk meneruskan juga, atau Henti Paksa untuk berhenti tanpa mengubah apa-apa."
!insertmacro ProcsweepMessage 1086 waiting-files "Menunggu sehingga 5 saat untuk fail ${PRODUCT_NAME} dilepaskan."

; Dutch (1043)
!insertmacro ProcsweepMessage 1043 waiting "Wachten tot ${PRODUCT_NAME} is afgesloten (maximaal 10 seconden)."
!insertmacro ProcsweepMessage 1043 question "${PRODUCT_NAME} is nog actief. Wil je de app nu beëindigen? Niet-opgeslagen werk gaat verloren."
!insertmacro ProcsweepMessage 1043 ending "${PRODUCT_NAME} wordt beëindigd."
!insertmacro ProcsweepMessage 1043 close-by-hand "Sluit ${PRODUCT_NAME} af als de app actief is en klik daarna op OK."
!insertmacro ProcsweepMessage 1043 check-failed "Kan niet controleren of ${PRODUCT_NAME} actief is (fout $ProcsweepError). Er is niets gewijzigd.$\r$\nKlik op Opnieuw om opnieuw te controleren."
!insertmacro ProcsweepMessage 1043 holders "Deze programma's gebruiken bestanden van ${PRODUCT_NAME}:"
!insertmacro ProcsweepMessage 1043 still-in-use "Bestanden van ${PRODUCT_NAME} worden nog gebruikt door:$\r$\n$ProcsweepHolders$\r$\n$\r$\nKlik op Opnieuw om opnieuw te controleren, op Negeren om toch door te gaan of op Afbreken om te stoppen zonder iets te wijzigen."
!insertmacro ProcsweepMessage 1043 waiting-files "Wachten tot de bestanden van ${PRODUCT_NAME} worden vrijgegeven (maximaal 5 seconden)."

; Norwegian Nynorsk (2068)
!insertmacro ProcsweepMessage 2068 waiting "Ventar i opptil 10 sekund på at ${PRODUCT_NAME} skal lukka seg."
!insertmacro ProcsweepMessage 2068 question "${PRODUCT_NAME} køyrer framleis. Vil du avslutta programmet no? Arbeid som ikkje er lagra, går tapt."
!insertmacro ProcsweepMessage 2068 ending "Avsluttar ${PRODUCT_NAME}."
!insertmacro ProcsweepMessage 2068 close-by-hand "Lukk ${PRODUCT_NAME} om programmet køyrer, og klikk så på OK."
!insertmacro ProcsweepMessage 2068 check-failed "Klarte ikkje å sjekka om ${PRODUCT_NAME} køyrer (feil $ProcsweepError). Ingenting er endra.$\r$\nKlikk på Prøv igjen for å sjekka på nytt."
!insertmacro ProcsweepMessage 2068 holders "Desse programma brukar filer frå ${PRODUCT_NAME}:"
!insertmacro ProcsweepMessage 2068 still-in-use "Filer frå ${PRODUCT_NAME} er framleis i bruk av:$\r$\n$ProcsweepHolders$\r$\n$\r$\nKlikk på Prøv igjen for å sjekka på nytt, Ignorer for å halda fram likevel, eller Avbryt for å stoppa utan å endra noko."
!insertmacro ProcsweepMessage 2068 waiting-files "Ventar i opptil 5 sekund på at filene til ${PRODUCT_NAME} skal bli frigjevne."

; Polish (1045)
!insertmacro ProcsweepMessage 1045 waiting "Oczekiwanie maksymalnie 10 sekund na zamknięcie aplikacji ${PRODUCT_NAME}."
!insertmacro ProcsweepMessage 1045 question "Aplikacja ${PRODUCT_NAME} nadal działa. Czy zakończyć ją teraz? Niezapisana w niej praca zostanie utracona."
!insertmacro ProcsweepMessage 1045 ending "Kończenie aplikacji ${PRODUCT_NAME}."
!insertmacro ProcsweepMessage 1045 close-by-hand "Zamknij aplikację ${PRODUCT_NAME}, jeśli jest uruchomiona, a następnie kliknij OK."
!insertmacro ProcsweepMessage 1045 check-failed "Nie można sprawdzić, czy aplikacja ${PRODUCT_NAME} jest uruchomiona (błąd $ProcsweepError). Nic nie zostało zmienione.$\r$\nKliknij Ponów próbę, aby sprawdzić ponownie."
!insertmacro ProcsweepMessage 1045 holders "Te programy używają plików aplikacji ${PRODUCT_NAME}:"
!insertmacro ProcsweepMessage 1045 still-in-use "Pliki aplikacji ${PRODUCT_NAME} są nadal używane przez:$\r$\n$ProcsweepHolders$\r$\n$\r$\nKliknij Ponów próbę, aby sprawdzić ponownie, Ignoruj, aby mimo to kontynuować, lub Przerwij, aby zakończyć bez wprowadzania zmian."
!insertmacro ProcsweepMessage 1045 waiting-files "Oczekiwanie maksymalnie 5 sekund na zwolnienie plików aplikacji ${PRODUCT_NAME}."

; Pashto (1123)
!insertmacro ProcsweepMessage 1123 waiting "تر ۱۰ ثانیو پورې انتظار کېږي چې ${PRODUCT_NAME} وتړل شي."
!insertmacro ProcsweepMessage 1123 question "${PRODUCT_NAME} لا هم چلېږي. اوس یې بند کړو؟ په هغه کې ناخوندي شوی کار به له منځه ولاړ شي."
!insertmacro ProcsweepMessage 1123 ending "${PRODUCT_NAME} بندېږي."
!insertmacro ProcsweepMessage 1123 close-by-hand "که ${PRODUCT_NAME} چلېږي، د مهرباني له مخې یې وتړئ، بیا پر «سمه ده» کلیک وکړئ."
!insertmacro ProcsweepMessage 1123 check-failed "ونه کتل شول چې ${PRODUCT_NAME} چلېږي که نه (تېروتنه $ProcsweepError). هېڅ شی بدل نه شو.$\r$\nد بیا کتلو لپاره پر «بیا هڅه» کلیک وکړئ."
!insertmacro ProcsweepMessage 1123 holders "دا پروګرامونه د ${PRODUCT_NAME} دوتنې کاروي:"
!insertmacro ProcsweepMessage 1123 still-in-use "د ${PRODUCT_NAME} دوتنې لا هم دا پروګرامونه کاروي:$\r$\n$ProcsweepHolders$\r$\n$\r$\nد بیا کتلو لپاره پر «بیا هڅه»، په هر حال د ادامې لپاره پر «پرېږده»، او پرته له کوم بدلون د درولو لپاره پر «بندول» کلیک وکړئ."
!insertmacro ProcsweepMessage 1123 waiting-files "تر ۵ ثانیو پورې انتظار کېږي چې د ${PRODUCT_NAME} دوتنې خوشې شي."

; Brazilian Portuguese (1046)
!insertmacro ProcsweepMessage 1046 waiting "Aguardando até 10 segundos para o ${PRODUCT_NAME} fechar."
!insertmacro ProcsweepMessage 1046 question "O ${PRODUCT_NAME} ainda está em execução. Deseja finalizá-lo agora? O trabalho não salvo nele será perdido."
!insertmacro ProcsweepMessage 1046 ending "Finalizando o ${PRODUCT_NAME}."
!insertmacro ProcsweepMessage 1046 close-by-hand "Feche o ${PRODUCT_NAME} se ele estiver em execução e clique em OK."
!insertmacro ProcsweepMessage 1046 check-failed "Não foi possível verificar se o ${PRODUCT_NAME} está em execução (erro $ProcsweepError). Nada foi alterado.$\r$\nClique em Repetir para verificar novamente."
!insertmacro ProcsweepMessage 1046 holders "Estes programas estão usando arquivos do ${PRODUCT_NAME}:"
!insertmacro ProcsweepMessage 1046 still-in-use "Arquivos do ${PRODUCT_NAME} ainda estão sendo usados por:$\r$\n$ProcsweepHolders$\r$\n$\r$\nClique em Repetir para verificar novamente, em Ignorar para continuar mesmo assim ou em Anular para parar sem alterar nada."
!insertmacro ProcsweepMessage 1046 waiting-files "Aguardando até 5 segundos para que os arquivos do ${PRODUCT_NAME} sejam liberados."

; Portuguese (2070)
!insertmacro ProcsweepMessage 2070 waiting "A aguardar até 10 segundos que o ${PRODUCT_NAME} feche."
!insertmacro ProcsweepMessage 2070 question "O ${PRODUCT_NAME} ainda está em execução. Pretende terminá-lo agora? O trabalho não guardado será perdido."
!insertmacro ProcsweepMessage 2070 ending "A terminar o ${PRODUCT_NAME}."
!insertmacro ProcsweepMessage 2070 close-by-hand "Por favor, feche o ${PRODUCT_NAME} se estiver em execução e, em seguida, clique em OK."
!insertmacro ProcsweepMessage 2070 check-failed "Não foi possível verificar se o ${PRODUCT_NAME} está em execução (erro $ProcsweepError). Nada foi alterado.$\r$\nClique em Repetir para verificar novamente."
!insertmacro ProcsweepMessage 2070 holders "Estes programas estão a utilizar ficheiros do ${PRODUCT_NAME}:"
!insertmacro ProcsweepMessage 2070 still-in-use "Os ficheiros do ${PRODUCT_NAME} ainda estão a ser utilizados por:$\r$\n$ProcsweepHolders$\r$\n$\r$\nClique em Repetir para verificar novamente, em Ignorar para continuar mesmo assim ou em Abortar para parar sem alterar nada."
!insertmacro ProcsweepMessage 2070 waiting-files "A aguardar até 5 segundos que os ficheiros do ${PRODUCT_NAME} sejam libertados."

; Romanian (1048)
!insertmacro ProcsweepMessage 1048 waiting "Se așteaptă până la 10 secunde închiderea aplicației ${PRODUCT_NAME}."
!insertmacro ProcsweepMessage 1048 question "Aplicația ${PRODUCT_NAME} încă rulează. Doriți să o opriți forțat acum? Munca nesalvată din ea se va pierde."
!insertmacro ProcsweepMessage 1048 ending "Se oprește forțat aplicația ${PRODUCT_NAME}."
!insertmacro ProcsweepMessage 1048 close-by-hand "Vă rugăm să închideți aplicația ${PRODUCT_NAME} dacă rulează, apoi să apăsați OK."
!insertmacro ProcsweepMessage 1048 check-failed "Nu s-a putut verifica dacă aplicația ${PRODUCT_NAME} rulează (eroare $ProcsweepError). Nu s-a modificat nimic.$\r$\nApăsați Reîncercare pentru a verifica din nou."
!insertmacro ProcsweepMessage 1048 holders "Aceste programe folosesc fișiere ale aplicației ${PRODUCT_NAME}:"
!insertmacro ProcsweepMessage 1048 still-in-use "Fișiere ale aplicației ${PRODUCT_NAME} sunt încă folosite de:$\r$\n$ProcsweepHolders$\r$\n$\r$\nApăsați Reîncercare pentru a verifica din nou, Ignorare pentru a continua oricum sau Abandon pentru a vă opri fără a schimba nimic."
!insertmacro ProcsweepMessage 1048 waiting-files "Se așteaptă până la 5 secunde eliberarea fișierelor aplicației ${PRODUCT_NAME}."

; Russian (1049)
!insertmacro ProcsweepMessage 1049 waiting "Ожидание закрытия приложения ${PRODUCT_NAME} (не более 10 секунд)."
!insertmacro ProcsweepMessage 1049 question "Приложение ${PRODUCT_NAME} всё ещё работает. Завершить его сейчас? Несохранённые в нём данные будут потеряны."
!insertmacro ProcsweepMessage 1049 ending "Завершение приложения ${PRODUCT_NAME}."
!insertmacro ProcsweepMessage 1049 close-by-hand "Закройте приложение ${PRODUCT_NAME}, если оно запущено, и нажмите «OK»."
!insertmacro ProcsweepMessage 1049 check-failed "Не удалось проверить, запущено ли приложение ${PRODUCT_NAME} (ошибка $ProcsweepError). Ничего не изменено.$\r$\nНажмите «Повторить», чтобы проверить снова."
!insertmacro ProcsweepMessage 1049 holders "Эти программы используют файлы приложения ${PRODUCT_NAME}:"
!insertmacro ProcsweepMessage 1049 still-in-use "Файлы приложения ${PRODUCT_NAME} всё ещё используют:$\r$\n$ProcsweepHolders$\r$\n$\r$\nНажмите «Повторить», чтобы проверить снова, «Пропустить», чтобы всё равно продолжить, или «Прервать», чтобы остановиться, ничего не меняя."
!insertmacro ProcsweepMessage 1049 waiting-files "Ожидание освобождения файлов приложения ${PRODUCT_NAME} (не более 5 секунд)."

; Slovak (1051)
!insertmacro ProcsweepMessage 1051 waiting "Čaká sa najviac 10 sekúnd na zatvorenie aplikácie ${PRODUCT_NAME}."
!insertmacro ProcsweepMessage 1051 question "Aplikácia ${PRODUCT_NAME} stále beží. Chcete ju teraz ukončiť? Neuložená práca v nej sa stratí."
!insertmacro ProcsweepMessage 1051 ending "Ukončuje sa aplikácia ${PRODUCT_NAME}."
!insertmacro ProcsweepMessage 1051 close-by-hand "Ak aplikácia ${PRODUCT_NAME} beží, zatvorte ju a potom kliknite na tlačidlo OK."
!insertmacro ProcsweepMessage 1051 check-failed "Nepodarilo sa zistiť, či aplikácia ${PRODUCT_NAME} beží (chyba $ProcsweepError). Nič sa nezmenilo.$\r$\nAk to chcete skontrolovať znova, kliknite na tlačidlo Opakovať."
!insertmacro ProcsweepMessage 1051 holders "Tieto programy používajú súbory aplikácie ${PRODUCT_NAME}:"
!insertmacro ProcsweepMessage 1051 still-in-use "Súbory aplikácie ${PRODUCT_NAME} stále používa:$\r$\n$ProcsweepHolders$\r$\n$\r$\nKliknite na Opakovať, ak chcete skontrolovať znova, na Ignorovať, ak chcete aj tak pokračovať, alebo na Prerušiť, ak chcete skončiť bez akýchkoľvek zmien."
!insertmacro ProcsweepMessage 1051 waiting-files "Čaká sa najviac 5 sekúnd na uvoľnenie súborov aplikácie ${PRODUCT_NAME}."

; Slovenian (1060)
!insertmacro ProcsweepMessage 1060 waiting "Čakanje do 10 sekund, da se ${PRODUCT_NAME} zapre."
!insertmacro ProcsweepMessage 1060 question "${PRODUCT_NAME} še vedno teče. Ali ga želite zdaj končati? Neshranjeno delo v njem bo izgubljeno."
!insertmacro ProcsweepMessage 1060 ending "Končevanje programa ${PRODUCT_NAME}."
!insertmacro ProcsweepMessage 1060 close-by-hand "Zaprite ${PRODUCT_NAME}, če teče, nato kliknite V redu."
!insertmacro ProcsweepMessage 1060 check-failed "Ni bilo mogoče preveriti, ali ${PRODUCT_NAME} teče (napaka $ProcsweepError). Nič ni bilo spremenjeno.$\r$\nKliknite Ponovi, da preverite znova."
!insertmacro ProcsweepMessage 1060 holders "Ti programi uporabljajo datoteke programa ${PRODUCT_NAME}:"
!insertmacro ProcsweepMessage 1060 still-in-use "Datoteke programa ${PRODUCT_NAME} še vedno uporabljajo:$\r$\n$ProcsweepHolders$\r$\n$\r$\nKliknite Ponovi, da preverite znova, Prezri, da vseeno nadaljujete, ali Prekini, da se ustavite brez sprememb."
!insertmacro ProcsweepMessage 1060 waiting-files "Čakanje do 5 sekund, da se datoteke programa ${PRODUCT_NAME} sprostijo."

; Albanian (1052)
!insertmacro ProcsweepMessage 1052 waiting "Po pritet deri në 10 sekonda që të mbyllet ${PRODUCT_NAME}."
!insertmacro ProcsweepMessage 1052 question "${PRODUCT_NAME} po xhiron ende. Të përfundohet tani? Puna e paruajtur në të do të humbë."
!insertmacro ProcsweepMessage 1052 ending "Po përfundohet ${PRODUCT_NAME}."
!insertmacro ProcsweepMessage 1052 close-by-hand "Ju lutemi, mbylleni ${PRODUCT_NAME}, nëse po xhiron, mandej klikoni mbi OK."
!insertmacro ProcsweepMessage 1052 check-failed "S’u arrit të kontrollohej nëse ${PRODUCT_NAME} po xhiron (gabim $ProcsweepError). S’u ndryshua gjë.$\r$\nKlikoni mbi Riprovo që të kontrollohet sërish."
!insertmacro ProcsweepMessage 1052 holders "Këto programe po përdorin kartela të ${PRODUCT_NAME}:"
!insertmacro ProcsweepMessage 1052 still-in-use "Kartela të ${PRODUCT_NAME} janë ende në përdorim nga:$\r$\n$ProcsweepHolders$\r$\n$\r$\nKlikoni mbi Riprovo që të kontrollohet sërish, mbi Shpërfille që të vazhdohet sido qoftë, ose mbi Ndërprite që të ndalet pa ndryshuar gjë."
!insertmacro ProcsweepMessage 1052 waiting-files "Po pritet deri në 5 sekonda që të lirohen kartelat e ${PRODUCT_NAME}."

; Serbian (3098)
!insertmacro ProcsweepMessage 3098 waiting "Чека се до 10 секунди да се ${PRODUCT_NAME} затвори."
!insertmacro ProcsweepMessage 3098 question "${PRODUCT_NAME} је и даље покренут. Да ли желите да га сада принудно затворите? Несачувани рад у њему биће изгубљен."
!insertmacro ProcsweepMessage 3098 ending "Принудно затварање програма ${PRODUCT_NAME}."
!insertmacro ProcsweepMessage 3098 close-by-hand "Затворите ${PRODUCT_NAME} ако је покренут, а затим кликните на „У реду“."
!insertmacro ProcsweepMessage 3098 check-failed "Није могуће проверити да ли је ${PRODUCT_NAME} покренут (грешка $ProcsweepError). Ништа није промењено.$\r$\nКликните на „Покушај поново“ да бисте поново проверили."
!insertmacro ProcsweepMessage 3098 holders "Ови програми користе датотеке програма ${PRODUCT_NAME}:"
!insertmacro ProcsweepMessage 3098 still-in-use "Датотеке програма ${PRODUCT_NAME} и даље користе:$\r$\n$ProcsweepHolders$\r$\n$\r$\nКликните на „Покушај поново“ да бисте поново проверили, на „Занемари“ да бисте ипак наставили или на „Прекини“ да бисте стали без икаквих измена."
!insertmacro ProcsweepMessage 3098 waiting-files "Чека се до 5 секунди да се датотеке програма ${PRODUCT_NAME} ослободе."

; Swedish (1053)
!insertmacro ProcsweepMessage 1053 waiting "Väntar i upp till 10 sekunder på att ${PRODUCT_NAME} ska stängas."
!insertmacro ProcsweepMessage 1053 question "${PRODUCT_NAME} körs fortfarande. Vill du avsluta det nu? Osparat arbete i det går förlorat."
!insertmacro ProcsweepMessage 1053 ending "Avslutar ${PRODUCT_NAME}."
!insertmacro ProcsweepMessage 1053 close-by-hand "Stäng ${PRODUCT_NAME} om det körs och klicka sedan på OK."
!insertmacro ProcsweepMessage 1053 check-failed "Det gick inte att kontrollera om ${PRODUCT_NAME} körs (fel $ProcsweepError). Ingenting har ändrats.$\r$\nKlicka på Försök igen för att kontrollera igen."
!insertmacro ProcsweepMessage 1053 holders "De här programmen använder filer från ${PRODUCT_NAME}:"
!insertmacro ProcsweepMessage 1053 still-in-use "Filer från ${PRODUCT_NAME} används fortfarande av:$\r$\n$ProcsweepHolders$\r$\n$\r$\nKlicka på Försök igen för att kontrollera igen, Ignorera för att fortsätta ändå eller Avbryt för att stoppa utan att ändra något."
!insertmacro ProcsweepMessage 1053 waiting-files "Väntar i upp till 5 sekunder på att filerna från ${PRODUCT_NAME} ska frigöras."

; Turkish (1055)
!insertmacro ProcsweepMessage 1055 waiting "${PRODUCT_NAME} uygulamasının kapanması için en fazla 10 saniye bekleniyor."
!insertmacro ProcsweepMessage 1055 question "${PRODUCT_NAME} hâlâ çalışıyor. Şimdi sonlandırılsın mı? İçindeki kaydedilmemiş çalışmalar kaybolur."
!insertmacro ProcsweepMessage 1055 ending "${PRODUCT_NAME} sonlandırılıyor."
!insertmacro ProcsweepMessage 1055 close-by-hand "${PRODUCT_NAME} çalışıyorsa lütfen kapatın, ardından Tamam'a tıklayın."
!insertmacro ProcsweepMessage 1055 check-failed "${PRODUCT_NAME} uygulamasının çalışıp çalışmadığı denetlenemedi (hata $ProcsweepError). Hiçbir şey değiştirilmedi.$\r$\nYeniden denetlemek için Yeniden Dene'ye tıklayın."
!insertmacro ProcsweepMessage 1055 holders "Şu programlar ${PRODUCT_NAME} dosyalarını kullanıyor:"
!insertmacro ProcsweepMessage 1055 still-in-use "${PRODUCT_NAME} dosyaları hâlâ şu programlar tarafından kullanılıyor:$\r$\n$ProcsweepHolders$\r$\n$\r$\nYeniden denetlemek için Yeniden Dene'ye, yine de devam etmek için Yoksay'a, hiçbir şeyi değiştirmeden durmak için Durdur'a tıklayın."
!insertmacro ProcsweepMessage 1055 waiting-files "${PRODUCT_NAME} dosyalarının serbest bırakılması için en fazla 5 saniye bekleniyor."

; Ukrainian (1058)
!insertmacro ProcsweepMessage 1058 waiting "Очікування закриття застосунку ${PRODUCT_NAME} (не більше 10 секунд)."
!insertmacro ProcsweepMessage 1058 question "Застосунок ${PRODUCT_NAME} досі працює. Завершити його зараз? Незбережену в ньому роботу буде втрачено."
!insertmacro ProcsweepMessage 1058 ending "Завершення застосунку ${PRODUCT_NAME}."
!insertmacro ProcsweepMessage 1058 close-by-hand "Закрийте застосунок ${PRODUCT_NAME}, якщо він запущений, і натисніть OK."
!insertmacro ProcsweepMessage 1058 check-failed "Не вдалося перевірити, чи запущено застосунок ${PRODUCT_NAME} (помилка $ProcsweepError). Нічого не змінено.$\r$\nНатисніть «Повторити», щоб перевірити ще раз."
!insertmacro ProcsweepMessage 1058 holders "Ці програми використовують файли застосунку ${PRODUCT_NAME}:"
!insertmacro ProcsweepMessage 1058 still-in-use "Файли застосунку ${PRODUCT_NAME} досі використовують:$\r$\n$ProcsweepHolders$\r$\n$\r$\nНатисніть «Повторити», щоб перевірити ще раз, «Пропустити», щоб усе одно продовжити, або «Перервати», щоб зупинитися, нічого не змінюючи."
!insertmacro ProcsweepMessage 1058 waiting-files "Очікування звільнення файлів застосунку ${PRODUCT_NAME} (не більше 5 секунд)."

; Vietnamese (1066)
!insertmacro ProcsweepMessage 1066 waiting "Đang chờ tối đa 10 giây để ${PRODUCT_NAME} đóng lại."
!insertmacro ProcsweepMessage 1066 question "${PRODUCT_NAME} vẫn đang chạy. Bạn có muốn kết thúc nó ngay bây giờ không? Công việc chưa lưu trong đó sẽ bị mất."
!insertmacro ProcsweepMessage 1066 ending "Đang kết thúc ${PRODUCT_NAME}."
!insertmacro ProcsweepMessage 1066 close-by-hand "Vui lòng đóng ${PRODUCT_NAME} nếu ứng dụng đang chạy, rồi nhấp vào OK."
!insertmacro ProcsweepMessage 1066 check-failed "Không thể kiểm tra xem ${PRODUCT_NAME} có đang chạy hay không (lỗi $ProcsweepError). Chưa có gì bị thay đổi.$\r$\nNhấp vào Thử lại để kiểm tra lại."
!insertmacro ProcsweepMessage 1066 holders "Các chương trình sau đang sử dụng tệp của ${PRODUCT_NAME}:"
!insertmacro ProcsweepMessage 1066 still-in-use "Tệp của ${PRODUCT_NAME} vẫn đang được sử dụng bởi:$\r$\n$ProcsweepHolders$\r$\n$\r$\nNhấp vào Thử lại để kiểm tra lại, Bỏ qua để vẫn tiếp tục, hoặc Hủy bỏ để dừng mà không thay đổi gì."
!insertmacro ProcsweepMessage 1066 waiting-files "Đang chờ tối đa 5 giây để các tệp của ${PRODUCT_NAME} được giải phóng."

; Simplified Chinese (2052)
!insertmacro ProcsweepMessage 2052 waiting "正在等待 ${PRODUCT_NAME} 关闭（最多 10 秒）。"
!insertmacro ProcsweepMessage 2052 question "${PRODUCT_NAME} 仍在运行。要立即结束它吗？其中未保存的工作将会丢失。"
!insertmacro ProcsweepMessage 2052 ending "正在结束 ${PRODUCT_NAME}。"
!insertmacro ProcsweepMessage 2052 close-by-hand "如果 ${PRODUCT_NAME} 正在运行，请将其关闭，然后单击“确定”。"
!insertmacro ProcsweepMessage 2052 check-failed "无法检查 ${PRODUCT_NAME} 是否正在运行（错误 $ProcsweepError）。未做任何更改。$\r$\n单击“重试”以再次检查。"
!insertmacro ProcsweepMessage 2052 holders "以下程序正在使用 ${PRODUCT_NAME} 的文件："
!insertmacro ProcsweepMessage 2052 still-in-use "${PRODUCT_NAME} 的文件仍被以下程序占用：$\r$\n$ProcsweepHolders$\r$\n$\r$\n单击“重试”再次检查，单击“忽略”仍然继续，或单击“中止”停止且不做任何更改。"
!insertmacro ProcsweepMessage 2052 waiting-files "正在等待 ${PRODUCT_NAME} 的文件被释放（最多 5 秒）。"

; Traditional Chinese (1028)
!insertmacro ProcsweepMessage 1028 waiting "正在等待 ${PRODUCT_NAME} 關閉（最多 10 秒）。"
!insertmacro ProcsweepMessage 1028 question "${PRODUCT_NAME} 仍在執行。要立即結束它嗎？其中未儲存的工作將會遺失。"
!insertmacro ProcsweepMessage 1028 ending "正在結束 ${PRODUCT_NAME}。"
!insertmacro ProcsweepMessage 1028 close-by-hand "如果 ${PRODUCT_NAME} 正在執行，請將其關閉，然後按一下「確定」。"
!insertmacro ProcsweepMessage 1028 check-failed "無法檢查 ${PRODUCT_NAME} 是否正在執行（錯誤 $ProcsweepError）。未進行任何變更。$\r$\n請按一下「重試」以再次檢查。"
!insertmacro ProcsweepMessage 1028 holders "下列程式正在使用 ${PRODUCT_NAME} 的檔案："
!insertmacro ProcsweepMessage 1028 still-in-use "${PRODUCT_NAME} 的檔案仍由下列程式使用中：$\r$\n$ProcsweepHolders$\r$\n$\r$\n按一下「重試」再次檢查，按「略過」仍要繼續，或按「中止」停止且不做任何變更。"
!insertmacro ProcsweepMessage 1028 waiting-files "正在等待 ${PRODUCT_NAME} 的檔案被釋放（最多 5 秒）。"

; Korean (1042)
!insertmacro ProcsweepMessage 1042 waiting "${PRODUCT_NAME}이(가) 닫힐 때까지 최대 10초 동안 기다리는 중입니다."
!insertmacro ProcsweepMessage 1042 question "${PRODUCT_NAME}이(가) 아직 실행 중입니다. 지금 강제로 종료하시겠습니까? 저장하지 않은 작업은 사라집니다."
!insertmacro ProcsweepMessage 1042 ending "${PRODUCT_NAME}을(를) 강제로 종료하는 중입니다."
!insertmacro ProcsweepMessage 1042 close-by-hand "${PRODUCT_NAME}이(가) 실행 중이면 닫은 다음 [확인]을 클릭하십시오."
!insertmacro ProcsweepMessage 1042 check-failed "${PRODUCT_NAME}이(가) 실행 중인지 확인할 수 없습니다(오류 $ProcsweepError). 변경된 내용은 없습니다.$\r$\n다시 확인하려면 [다시 시도]를 클릭하십시오."
!insertmacro ProcsweepMessage 1042 holders "다음 프로그램이 ${PRODUCT_NAME}의 파일을 사용하고 있습니다:"
!insertmacro ProcsweepMessage 1042 still-in-use "다음 프로그램이 아직 ${PRODUCT_NAME}의 파일을 사용하고 있습니다:$\r$\n$ProcsweepHolders$\r$\n$\r$\n다시 확인하려면 [다시 시도], 그래도 계속하려면 [무시], 아무것도 변경하지 않고 중단하려면 [중단]을 클릭하십시오."
!insertmacro ProcsweepMessage 1042 waiting-files "${PRODUCT_NAME}의 파일이 해제될 때까지 최대 5초 동안 기다리는 중입니다."

; Norwegian Bokmål (1044)
!insertmacro ProcsweepMessage 1044 waiting "Venter i opptil 10 sekunder på at ${PRODUCT_NAME} skal lukkes."
!insertmacro ProcsweepMessage 1044 question "${PRODUCT_NAME} kjører fortsatt. Vil du avslutte programmet nå? Arbeid som ikke er lagret, går tapt."
!insertmacro ProcsweepMessage 1044 ending "Avslutter ${PRODUCT_NAME}."
!insertmacro ProcsweepMessage 1044 close-by-hand "Lukk ${PRODUCT_NAME} hvis programmet kjører, og klikk deretter på OK."
!insertmacro ProcsweepMessage 1044 check-failed "Kunne ikke sjekke om ${PRODUCT_NAME} kjører (feil $ProcsweepError). Ingenting er endret.$\r$\nKlikk på Prøv igjen for å sjekke på nytt."
!insertmacro ProcsweepMessage 1044 holders "Disse programmene bruker filer fra ${PRODUCT_NAME}:"
!insertmacro ProcsweepMessage 1044 still-in-use "Filer fra ${PRODUCT_NAME} er fortsatt i bruk av:$\r$\n$ProcsweepHolders$\r$\n$\r$\nKlikk på Prøv igjen for å sjekke på nytt, Ignorer for å fortsette likevel, eller Avbryt for å stoppe uten å endre noe."
!insertmacro ProcsweepMessage 1044 waiting-files "Venter i opptil 5 sekunder på at filene fra ${PRODUCT_NAME} skal frigis."

; Thai (1054)
!insertmacro ProcsweepMessage 1054 waiting "กำลังรอให้ ${PRODUCT_NAME} ปิด (สูงสุด 10 วินาที)"
!insertmacro ProcsweepMessage 1054 question "${PRODUCT_NAME} ยังทำงานอยู่ ต้องการบังคับปิดตอนนี้หรือไม่ งานที่ยังไม่ได้บันทึกในโปรแกรมจะสูญหาย"
!insertmacro ProcsweepMessage 1054 ending "กำลังบังคับปิด ${PRODUCT_NAME}"
!insertmacro ProcsweepMessage 1054 close-by-hand "โปรดปิด ${PRODUCT_NAME} หากยังทำงานอยู่ แล้วคลิก “ตกลง”"
!insertmacro ProcsweepMessage 1054 check-failed "ไม่สามารถตรวจสอบได้ว่า ${PRODUCT_NAME} กำลังทำงานอยู่หรือไม่ (ข้อผิดพลาด $ProcsweepError) ไม่มีการเปลี่ยนแปลงใด ๆ$\r$\nคลิก “ลองใหม่” เพื่อตรวจสอบอีกครั้ง"
!insertmacro ProcsweepMessage 1054 holders "โปรแกรมต่อไปนี้กำลังใช้ไฟล์ของ ${PRODUCT_NAME}:"
!insertmacro ProcsweepMessage 1054 still-in-use "ไฟล์ของ ${PRODUCT_NAME} ยังถูกใช้งานโดย:$\r$\n$ProcsweepHolders$\r$\n$\r$\nคลิก “ลองใหม่” เพื่อตรวจสอบอีกครั้ง “ละเว้น” เพื่อดำเนินการต่อไปอยู่ดี หรือ “ยกเลิก” เพื่อหยุดโดยไม่เปลี่ยนแปลงใด ๆ"
!insertmacro ProcsweepMessage 1054 waiting-files "กำลังรอให้ไฟล์ของ ${PRODUCT_NAME} ถูกปล่อย (สูงสุด 5 วินาที)"
