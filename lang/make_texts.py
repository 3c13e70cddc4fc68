#!/usr/bin/env python3
"""Writes the 36 text files of QV-Gui and qv-cli (12 stems x de, en, fr) into this folder.

The files are Windows-1252 with CR LF line ends. Run it after editing a text:
    python3 lang/make_texts.py
It stops with a message, and writes nothing, when a text has a character that
Windows-1252 lacks or breaks a limit of the loaders.

Terms used on every page (de / en / fr):
    Strömungsgeschwindigkeit (Strömung) / flow velocity / vitesse d'écoulement
    Volumenstrom / volume flow / débit volumétrique
    Totalisator / totalizer / totalisateur
    Schleichmenge / low-flow cut-off / coupure des faibles débits (its value: seuil de coupure)
    Nullpunktabgleich / zero-point adjustment / réglage du zéro
    Grenzkontakt / limit contact / contact de seuil
    Fehlerkontakt / error contact / contact de défaut
    Fehler (des Messgeräts) / error / défaut
    Messgerät / meter / appareil
    Parametersatz / parameter set / jeu de paramètres
    Konfigurationsprüfung / configuration check / contrôle de configuration
    Aufzeichnung / recording / enregistrement
    Refreshrate / refresh rate / intervalle de rafraîchissement
"""
import os
import sys

LANGS = ("de", "en", "fr")
HERE = os.path.dirname(os.path.abspath(__file__))

HELP_MAX = 512          # a help text, its CR LF line breaks included
ERROR_MAX = 2560        # an error text or error help text
TIP_LINE_MAX = 200      # a line of a tool tip
LINE_MAX = 511          # any line of any file, CR LF included


def T(de, en, fr):
    return {"de": de, "en": en, "fr": fr}


# --------------------------------------------------------------------------
# Settings page ("Einstellungen")

SETTINGS_LABELS = [
    (1006, T("COM-Schnittstelle", "COM port", "Port COM")),
    (1005, T("Sprache", "Language", "Langue")),
    (1010, T("HW-Version", "Hardware version", "Version matérielle")),
    (1012, T("SW-Version", "Software version", "Version logicielle")),
    (1099, T("Refreshrate Betrieb", "Refresh rate", "Rafraîchissement")),
    (1056, T("Ausgrauen statt Ausblenden", "Grey out instead of hide", "Griser au lieu de masquer")),
    (1, T("OK", "OK", "OK")),
    # 1900 to 1903 belong to no control: the reason a port did not open,
    # added to the red lamp's tool tip.
    (1900, T("Schnittstelle nicht vorhanden: kein Gerät unter dieser Nummer.",
             "No such device: nothing is connected under this port number.",
             "Port absent : aucun appareil sous ce numéro.")),
    (1901, T("Die Schnittstelle wird von einem anderen Programm benutzt.",
             "The port is in use by another program.",
             "Le port est utilisé par un autre programme.")),
    (1902, T("Keine Berechtigung: der Benutzer muss Mitglied der Gruppe dialout sein.",
             "No permission: the user must be a member of the group dialout.",
             "Pas d'autorisation : l'utilisateur doit être membre du groupe dialout.")),
    (1903, T("Die Schnittstelle lässt sich nicht einrichten (kein serieller Anschluss?).",
             "The port cannot be set up (not a serial port?).",
             "Le port ne peut pas être configuré (pas un port série ?).")),
    # 1904 to 1908: a network serial server's; %1 names the server, %2 what
    # the system said or the line setting with the server's answer.
    (1904, T("Server %1 nicht erreicht: %2.",
             "Server %1 not reached: %2.",
             "Serveur %1 non joint : %2.")),
    (1905, T("Server %1 lehnt die Leitungseinstellung ab: %2.",
             "Server %1 refuses the line setting: %2.",
             "Le serveur %1 refuse le réglage de ligne : %2.")),
    (1906, T("Server %1 bestätigt die Leitungseinstellung nicht: %2 (kein RFC-2217-Server?).",
             "Server %1 does not confirm the line setting: %2 (not an RFC 2217 server?).",
             "Le serveur %1 ne confirme pas le réglage de ligne : %2 (pas un serveur RFC 2217 ?).")),
    # 1907, 1908: the two reasons a technician meets most, in words of their own.
    (1907, T("Server %1 nicht erreicht: Verbindung abgelehnt (wartet dort ein Server auf diesem Port?).",
             "Server %1 not reached: connection refused (is a server listening on that port?).",
             "Serveur %1 non joint : connexion refusée (un serveur écoute-t-il sur ce port ?).")),
    (1908, T("Server %1 nicht erreicht: keine Antwort innerhalb von 3 s.",
             "Server %1 not reached: no answer within 3 s.",
             "Serveur %1 non joint : pas de réponse en 3 s.")),
    # 1940 to 1942: what a screen reader says of the lamps and the refresh rate's marker.
    (1940, T("Verbunden", "Connected", "Connecté")),
    (1941, T("Keine Verbindung", "Not connected", "Non connecté")),
    (1942, T("Refreshrate ungültig", "Refresh rate not valid", "Intervalle de rafraîchissement non valable")),
]

SETTINGS_HELP = [
    (1001, T(
        "Serielle Schnittstelle, an der das KT740 angeschlossen ist (COM1 bis COM9).\n"
        "Die Auswahl öffnet die Schnittstelle und erkennt das Messgerät neu.\n"
        "Jeder Eintrag nennt das Gerät, das er erreicht; beim Öffnen wird neu gesucht.\n"
        "Übertragung: 9600 Baud, 8 Datenbits, keine Parität, 1 Stoppbit.",
        "Serial port to which the KT740 is connected (COM1 to COM9).\n"
        "Choosing a port opens it and identifies the meter again.\n"
        "Each entry names the device it reaches; opening the list looks again.\n"
        "Line settings: 9600 baud, 8 data bits, no parity, 1 stop bit.",
        "Port série auquel le KT740 est raccordé (COM1 à COM9).\n"
        "Le choix d'un port l'ouvre et identifie à nouveau l'appareil.\n"
        "Chaque entrée nomme l'appareil qu'elle atteint ; l'ouverture de la liste le recherche à nouveau.\n"
        "Liaison : 9600 bauds, 8 bits de données, sans parité, 1 bit d'arrêt.")),
    (1004, T(
        "Sprache der Programmoberfläche: Deutsch, Englisch oder Französisch.\n"
        "Beschriftungen, Hilfetexte und Meldungen wechseln sofort; Registerkartentitel und Fehlertexte "
        "beim nächsten Programmstart.\n"
        "Die Anzeigesprache des Messgeräts wird auf der Seite Konfiguration eingestellt.",
        "Language of the program: German, English or French.\n"
        "Captions, help texts and messages change at once; tab titles and error texts at the next start.\n"
        "The meter's own display language is set on the Configuration page.",
        "Langue du programme : allemand, anglais ou français.\n"
        "Les libellés, les aides et les messages changent aussitôt ; les titres des onglets et les textes "
        "de défaut au prochain démarrage.\n"
        "La langue de l'afficheur de l'appareil se règle sur la page Configuration.")),
    (1007, T(
        "Grün: das Messgerät antwortet, auf die Erkennung oder auf die laufende Messung.\n"
        "Ein später angeschlossenes Messgerät erscheint, sobald die Messung läuft (Seite Betrieb oder Visualisierung).",
        "Green: the meter answers, to the identification or to the running measurement.\n"
        "A meter connected later appears once measuring runs (Operation or Visualization page).",
        "Vert : l'appareil répond, à l'identification ou à la mesure en cours.\n"
        "Un appareil raccordé plus tard apparaît dès que la mesure tourne (page Opération ou Affichage graphique).")),
    (1008, T(
        "Rot: kein Messgerät erkannt. Die Schnittstelle lässt sich nicht öffnen, oder das Messgerät antwortet nicht.\n"
        "Kabel, Versorgung und Schnittstelle prüfen und die Schnittstelle erneut auswählen.",
        "Red: no meter identified. The port cannot be opened, or the meter does not answer.\n"
        "Check the cable, the supply and the port, then choose the port again.",
        "Rouge : aucun appareil identifié. Le port ne s'ouvre pas, ou l'appareil ne répond pas.\n"
        "Contrôler le câble, l'alimentation et le port, puis choisir à nouveau le port.")),
    (1009, T(
        "Modellcode des angeschlossenen Messgeräts, z. B. KT740-GX-M1P2A1S1.\n"
        "„------“: kein Messgerät erkannt.",
        "Model code of the connected meter, e.g. KT740-GX-M1P2A1S1.\n"
        "“------”: no meter identified.",
        "Code modèle de l'appareil raccordé, par ex. KT740-GX-M1P2A1S1.\n"
        "« ------ » : aucun appareil identifié.")),
    (1011, T(
        "Softwareversion des angeschlossenen Messgeräts.\n"
        "„------“: kein Messgerät erkannt.",
        "Software version of the connected meter.\n"
        "“------”: no meter identified.",
        "Version logicielle de l'appareil raccordé.\n"
        "« ------ » : aucun appareil identifié.")),
    (1098, T(
        "Refreshrate: Abstand zwischen zwei Messzyklen in Sekunden, 2 bis 9999 s.\n"
        "Gilt für die Seiten Betrieb und Visualisierung und für die Aufzeichnung.\n"
        "Ein ungültiger Wert wird rot markiert und nicht übernommen.",
        "Refresh rate: time between two measuring cycles in seconds, 2 to 9999 s.\n"
        "Applies to the Operation and Visualization pages and to the recording.\n"
        "An invalid value is marked in red and not taken over.",
        "Intervalle de rafraîchissement : temps entre deux cycles de mesure en secondes, de 2 à 9999 s.\n"
        "S'applique aux pages Opération et Affichage graphique ainsi qu'à l'enregistrement.\n"
        "Une valeur invalide est marquée en rouge et n'est pas reprise.")),
    (1122, T(
        "Ungültige Refreshrate: erlaubt sind ganze Zahlen von 2 bis 9999 s.\n"
        "Bis zur Korrektur gilt der zuletzt gültige Wert.",
        "Invalid refresh rate: whole numbers from 2 to 9999 s are allowed.\n"
        "Until it is corrected, the last valid value stays in force.",
        "Intervalle de rafraîchissement invalide : nombres entiers de 2 à 9999 s.\n"
        "Jusqu'à la correction, la dernière valeur valable reste en vigueur.")),
    (1056, T(
        "Angehakt: Bedienelemente, die das angeschlossene Modell nicht hat, werden grau dargestellt.\n"
        "Nicht angehakt: sie werden ausgeblendet.",
        "Checked: controls that the connected model lacks are shown greyed out.\n"
        "Unchecked: they are hidden.",
        "Coché : les éléments que le modèle raccordé ne possède pas sont grisés.\n"
        "Non coché : ils sont masqués.")),
]

# --------------------------------------------------------------------------
# Operation page ("Betrieb")

OPERATION_LABELS = [
    (1095, T("Akt", "Actual", "Actuel")),
    (1096, T("Max", "Max", "Max")),
    (1097, T("Min", "Min", "Min")),
    (1092, T("Strömungsgeschwindigkeit", "Flow velocity", "Vitesse d'écoulement")),
    (1100, T("Volumenstrom", "Volume flow", "Débit volumétrique")),
    (1105, T("Temperatur", "Temperature", "Température")),
    (1109, T("Reset Max", "Reset max", "RAZ max")),
    (1110, T("Reset Min", "Reset min", "RAZ min")),
    (1121, T("Totalisator", "Totalizer", "Totalisateur")),
    (1111, T("Reset Tot.", "Reset total", "RAZ total")),
    (1114, T("Grenzkontakt 1", "Limit contact 1", "Contact de seuil 1")),
    (1116, T("Grenzkontakt 2", "Limit contact 2", "Contact de seuil 2")),
    (1115, T("Betriebsbereit", "Ready", "Prêt")),
    (1123, T("Fehlerkontakt", "Error contact", "Contact de défaut")),
    (1119, T("[%]", "[%]", "[%]")),
    (1155, T("Schleichmenge aktuell", "Actual low-flow cut-off", "Seuil de coupure actuel")),
    (1131, T("[%]", "[%]", "[%]")),
    (1113, T("Schleichmenge neu", "New low-flow cut-off", "Nouveau seuil de coupure")),
    (1153, T("Schleichmenge setzen", "Set low-flow cut-off", "Régler le seuil de coupure")),
    (1154, T("Nullpunktabgleich", "Zero-point adjustment", "Réglage du zéro")),
    (1118, T("Aktueller Fehler", "Current error", "Défaut actuel")),
    (1128, T("Reset Fehler", "Reset &error", "RAZ défaut")),
    (1124, T("Messung Start", "Start measurement", "Démarrer la mesure")),
    (1125, T("Messung Stop", "Stop measurement", "Arrêter la mesure")),
    (1126, T("Aufzeichnung Start", "Start recording", "Début enregistrement")),
    (1127, T("Aufzeichnung Stop", "Stop recording", "Fin enregistrement")),
    # 1930 belongs to no control: a value beyond what the page shows.
    (1930, T("Überlauf", "overflow", "dépassement")),
    # 1931 neither: the recording's file and the lines it holds.
    (1931, T("%1 – %2 Zeilen", "%1 – %2 lines", "%1 – %2 lignes")),
    # 1932: what a screen reader says of the recording indicator before its help names it.
    (1932, T("Aufzeichnung läuft", "Recording", "Enregistrement en cours")),
    # 1933: 1931 for one line (in French also for none).
    (1933, T("%1 – %2 Zeile", "%1 – %2 line", "%1 – %2 ligne")),
]


def _value(id_, de_what, en_what, fr_what, de_since, en_since, fr_since):
    return (id_, T(de_what + de_since, en_what + en_since, fr_what + fr_since))


_DE_CYCLE = "\nWird mit jedem Messzyklus aktualisiert; die Einheit steht rechts."
_EN_CYCLE = "\nUpdated with every measuring cycle; the unit is shown on the right."
_FR_CYCLE = "\nMise à jour à chaque cycle de mesure ; l'unité est affichée à droite."

OPERATION_HELP = [
    _value(1091, "Aktuelle Strömungsgeschwindigkeit.", "Actual flow velocity.",
           "Vitesse d'écoulement actuelle.", _DE_CYCLE, _EN_CYCLE, _FR_CYCLE),
    _value(1093, "Höchste Strömungsgeschwindigkeit seit dem letzten „Reset Max“.",
           "Highest flow velocity since the last “Reset max”.",
           "Vitesse d'écoulement maximale depuis la dernière « RAZ max ».", "", "", ""),
    _value(1094, "Niedrigste Strömungsgeschwindigkeit seit dem letzten „Reset Min“.",
           "Lowest flow velocity since the last “Reset min”.",
           "Vitesse d'écoulement minimale depuis la dernière « RAZ min ».", "", "", ""),
    _value(1099, "Aktueller Volumenstrom.", "Actual volume flow.",
           "Débit volumétrique actuel.", _DE_CYCLE, _EN_CYCLE, _FR_CYCLE),
    _value(1101, "Höchster Volumenstrom seit dem letzten „Reset Max“.",
           "Highest volume flow since the last “Reset max”.",
           "Débit volumétrique maximal depuis la dernière « RAZ max ».", "", "", ""),
    _value(1102, "Niedrigster Volumenstrom seit dem letzten „Reset Min“.",
           "Lowest volume flow since the last “Reset min”.",
           "Débit volumétrique minimal depuis la dernière « RAZ min ».", "", "", ""),
    _value(1104, "Aktuelle Temperatur des Mediums.", "Actual temperature of the medium.",
           "Température actuelle du fluide.", _DE_CYCLE, _EN_CYCLE, _FR_CYCLE),
    _value(1106, "Höchste Temperatur seit dem letzten „Reset Max“.",
           "Highest temperature since the last “Reset max”.",
           "Température maximale depuis la dernière « RAZ max ».", "", "", ""),
    _value(1107, "Niedrigste Temperatur seit dem letzten „Reset Min“.",
           "Lowest temperature since the last “Reset min”.",
           "Température minimale depuis la dernière « RAZ min ».", "", "", ""),
    (1120, T(
        "Totalisator: aufsummierte Menge seit dem letzten „Reset Tot.“; die Einheit steht rechts.",
        "Totalizer: quantity summed up since the last “Reset total”; the unit is shown on the right.",
        "Totalisateur : quantité cumulée depuis la dernière « RAZ total » ; l'unité est affichée à droite.")),
    (1109, T(
        "Setzt im Messgerät die Maximalwerte von Strömungsgeschwindigkeit, Volumenstrom und Temperatur zurück.",
        "Resets the maxima of flow velocity, volume flow and temperature in the meter.",
        "Réinitialise dans l'appareil les maxima de vitesse d'écoulement, de débit volumétrique et de température.")),
    (1110, T(
        "Setzt im Messgerät die Minimalwerte von Strömungsgeschwindigkeit, Volumenstrom und Temperatur zurück.",
        "Resets the minima of flow velocity, volume flow and temperature in the meter.",
        "Réinitialise dans l'appareil les minima de vitesse d'écoulement, de débit volumétrique et de température.")),
    (1111, T(
        "Setzt den Totalisator im Messgerät auf null. Der bisherige Stand geht verloren.",
        "Sets the totalizer in the meter to zero. The previous count is lost.",
        "Remet le totalisateur de l'appareil à zéro. L'ancienne valeur est perdue.")),
    (1114, T(
        "Angehakt, solange Grenzkontakt 1 geschaltet ist. Nur Anzeige.\n"
        "Schaltpunkte und Zuordnung werden auf der Seite Konfiguration eingestellt.",
        "Checked while limit contact 1 is switched. Display only.\n"
        "Switching points and assignment are set on the Configuration page.",
        "Coché tant que le contact de seuil 1 est commuté. Affichage seulement.\n"
        "Les seuils et l'affectation se règlent sur la page Configuration.")),
    (1116, T(
        "Angehakt, solange Grenzkontakt 2 geschaltet ist. Nur Anzeige.\n"
        "Schaltpunkte und Zuordnung werden auf der Seite Konfiguration eingestellt.",
        "Checked while limit contact 2 is switched. Display only.\n"
        "Switching points and assignment are set on the Configuration page.",
        "Coché tant que le contact de seuil 2 est commuté. Affichage seulement.\n"
        "Les seuils et l'affectation se règlent sur la page Configuration.")),
    (1115, T(
        "Angehakt, solange das Messgerät betriebsbereit meldet. Nur Anzeige.\n"
        "Nicht angehakt z. B. bei angehaltener Messung oder während eines Nullpunktabgleichs.",
        "Checked while the meter reports that it is ready. Display only.\n"
        "Unchecked e.g. while the measurement is stopped or a zero-point adjustment is running.",
        "Coché tant que l'appareil se signale prêt. Affichage seulement.\n"
        "Non coché par ex. quand la mesure est arrêtée ou pendant un réglage du zéro.")),
    (1123, T(
        "Angehakt, solange der Fehlerkontakt einen Fehler meldet. Nur Anzeige.\n"
        "Der Kontakt arbeitet im Ruhestromprinzip: er meldet auch bei Ausfall der Versorgung.\n"
        "Den Fehler nennt das Feld „Aktueller Fehler“.",
        "Checked while the error contact signals an error. Display only.\n"
        "The contact is fail-safe: it also signals when the supply fails.\n"
        "The error is named in the field “Current error”.",
        "Coché tant que le contact de défaut signale un défaut. Affichage seulement.\n"
        "Le contact est à sécurité positive : il signale aussi une coupure d'alimentation.\n"
        "Le défaut est indiqué dans le champ « Défaut actuel ».")),
    (1130, T(
        "Aktuelle Schleichmenge in Prozent: Durchflüsse unterhalb dieser Schwelle zeigt das Messgerät als null an.\n"
        "Nur bei GX-Modellen.",
        "Actual low-flow cut-off in percent: the meter shows flows below this threshold as zero.\n"
        "GX models only.",
        "Seuil de coupure actuel en pour cent (coupure des faibles débits) : l'appareil affiche zéro pour les débits inférieurs à ce seuil.\n"
        "Modèles GX seulement.")),
    (1112, T(
        "Neue Schleichmenge in Prozent, 0 bis 10.\n"
        "1 bis 10: mit „Schleichmenge setzen“ an das Messgerät senden.\n"
        "0: gibt „Nullpunktabgleich“ frei.",
        "New low-flow cut-off in percent, 0 to 10.\n"
        "1 to 10: send it to the meter with “Set low-flow cut-off”.\n"
        "0: enables “Zero-point adjustment”.",
        "Nouveau seuil de coupure en pour cent, de 0 à 10.\n"
        "1 à 10 : l'envoyer à l'appareil avec « Régler le seuil de coupure ».\n"
        "0 : active « Réglage du zéro ».")),
    (1153, T(
        "Sendet die gewählte Schleichmenge (1 bis 10 %) an das Messgerät.\n"
        "Aktiv, wenn darüber ein Wert von 1 bis 10 gewählt ist.",
        "Sends the chosen low-flow cut-off (1 to 10 %) to the meter.\n"
        "Enabled when a value from 1 to 10 is chosen above.",
        "Envoie le seuil de coupure choisi (1 à 10 %) à l'appareil.\n"
        "Actif quand une valeur de 1 à 10 est choisie au-dessus.")),
    (1154, T(
        "Startet den Nullpunktabgleich des Messgeräts. Aktiv, wenn darüber 0 gewählt ist.\n"
        "Vorher sicherstellen, dass der Sensor im Medium ist und kein Durchfluss herrscht.\n"
        "Das Ergebnis wird nach etwa einer Sekunde gemeldet.",
        "Starts the meter's zero-point adjustment. Enabled when 0 is chosen above.\n"
        "First make sure that the sensor is in the medium and that there is no flow.\n"
        "The result is reported after about one second.",
        "Lance le réglage du zéro de l'appareil. Actif quand 0 est choisi au-dessus.\n"
        "S'assurer d'abord que le capteur est dans le fluide et qu'il n'y a aucun débit.\n"
        "Le résultat est signalé après environ une seconde.")),
    (1117, T(
        "Aktueller Fehler des Messgeräts.\n"
        "Sobald Messwerte eintreffen, erklärt dieser Hilfetext den angezeigten Fehler und die Abhilfe.",
        "Current error of the meter.\n"
        "Once measured values arrive, this help text explains the error shown and what to do.",
        "Défaut actuel de l'appareil.\n"
        "Dès que des mesures arrivent, cette aide explique le défaut affiché et la marche à suivre.")),
    (1128, T(
        "Setzt die Fehlermeldung im Messgerät zurück.\n"
        "Besteht die Ursache weiter, meldet das Messgerät den Fehler erneut.",
        "Resets the error in the meter.\n"
        "If the cause persists, the meter reports the error again.",
        "Acquitte le défaut dans l'appareil.\n"
        "Si la cause persiste, l'appareil signale à nouveau le défaut.")),
    (1124, T(
        "Startet die Messung im Messgerät.",
        "Starts the measurement in the meter.",
        "Démarre la mesure dans l'appareil.")),
    (1125, T(
        "Hält die Messung im Messgerät an. Die Werte werden weiter abgefragt und angezeigt.",
        "Stops the measurement in the meter. The values are still polled and shown.",
        "Arrête la mesure dans l'appareil. Les valeurs restent interrogées et affichées.")),
    (1126, T(
        "Startet die Aufzeichnung der Messwerte in eine CSV-Datei; die Dateiauswahl folgt.\n"
        "Jeder Messzyklus schreibt eine Zeile mit Datum, Uhrzeit, Werten, Kontakten und Fehler.\n"
        "Aktiv, sobald die erste Messung eingetroffen ist.",
        "Starts recording the measured values to a CSV file; a file dialog follows.\n"
        "Every measuring cycle writes one line with date, time, values, contacts and error.\n"
        "Enabled once the first measurement has arrived.",
        "Démarre l'enregistrement des mesures dans un fichier CSV ; le choix du fichier suit.\n"
        "Chaque cycle de mesure écrit une ligne : date, heure, valeurs, contacts et défaut.\n"
        "Actif dès que la première mesure est arrivée.")),
    (1127, T(
        "Beendet die Aufzeichnung. Die Datei ist vollständig und kann geöffnet werden.",
        "Ends the recording. The file is complete and can be opened.",
        "Termine l'enregistrement. Le fichier est complet et peut être ouvert.")),
    (1129, T(
        "Blinkt, solange die Aufzeichnung läuft.",
        "Flashes while recording is running.",
        "Clignote pendant l'enregistrement.")),
]

# --------------------------------------------------------------------------
# Configuration page ("Konfiguration")

CONFIG_LABELS = [
    (1034, T("HW-Version", "Hardware version", "Version matérielle")),
    (1005, T("Anzeigesprache", "Display language", "Langue afficheur")),
    (1015, T("Sensortyp", "Sensor type", "Type de capteur")),
    (1018, T("T-Wert", "T value", "Valeur T")),
    (1023, T("C-Wert Sensor", "Sensor C value", "Valeur C capteur")),
    (1007, T("Einheit Geschw.", "Velocity unit", "Unité vitesse")),
    (1009, T("Einheit Temp.", "Temperature unit", "Unité température")),
    (1013, T("Einheit Volumenstr.", "Volume flow unit", "Unité débit")),
    (1151, T("Einheit Totalisator", "Totalizer unit", "Unité totalisateur")),
    (1047, T("Anzeigezeile 1", "Display line 1", "Ligne afficheur 1")),
    (1051, T("Anzeigezeile 2", "Display line 2", "Ligne afficheur 2")),
    (1119, T("Messzeit", "Measuring time", "Temps de mesure")),
    (1152, T("s", "s", "s")),
    (1123, T("Mult.-Faktor", "Mult. factor", "Facteur mult.")),
    (1030, T("Rohrgröße", "Pipe size", "Taille du tube")),
    (1054, T("Displ. Beleucht.", "Backlight", "Rétroéclairage")),
    (1058, T("An. Flow-Offset", "An. flow offset", "Zéro décalé vit.")),
    (1067, T("An. Flow-Anfang", "An. flow start", "Début an. vitesse")),
    (1071, T("An. Flow-Ende", "An. flow end", "Fin an. vitesse")),
    (1074, T("An. Temp.-Offset", "An. temp. offset", "Zéro décalé temp.")),
    (1079, T("An. Temp.-Anfang", "An. temp. start", "Début an. temp.")),
    (1083, T("An. Temp.-Ende", "An. temp. end", "Fin an. temp.")),
    (1087, T("GK-Zuordnung", "Limit assignment", "Affect. seuils")),
    (1095, T("GK1 ein", "Limit 1 on", "Seuil 1 encl.")),
    (1099, T("GK1 aus", "Limit 1 off", "Seuil 1 décl.")),
    (1103, T("GK2 ein", "Limit 2 on", "Seuil 2 encl.")),
    (1107, T("GK2 aus", "Limit 2 off", "Seuil 2 décl.")),
    (1110, T("Frequenzausgang", "Frequency output", "Sortie fréquence")),
    (1115, T("Impulsfrequenz", "Pulse frequency", "Fréq. impulsions")),
    (1127, T("TP-Anschl. ZRN", "TP fitting ZRN", "Raccord TP ZRN")),
    (1131, T("BV-Anschl. ZRN", "BV fitting ZRN", "Raccord BV ZRN")),
    (1135, T("Medium", "Medium", "Fluide")),
    (1139, T("Druck", "Pressure", "Pression")),
    (1143, T("Betriebsart", "Operating mode", "Mode de fonct.")),
    (1150, T("bar", "bar", "bar")),
    (1065, T("Konfig-Check", "Config check", "Contrôle config")),
    (1064, T("Speichern", "Save", "Enregistrer")),
    (1063, T("Laden", "Load", "Charger")),
    (1062, T("Alles löschen", "Clear all", "Tout effacer")),
    (1011, T("KT740-->PC", "KT740-->PC", "KT740-->PC")),
    (1012, T("PC-->KT740", "PC-->KT740", "PC-->KT740")),
    # Compare and read-back: 1160 to 1163 are controls; 1910 to 1929 belong to
    # no control, the page builds them into the list of differences, the
    # write's verdict (which qv-cli words alike) and its markers' names.
    (1160, T("Vergleich &KT740", "Compare &KT740", "Comparer &KT740")),
    (1161, T("Vergleich &Datei", "Compare &file", "Comparer &fichier")),
    (1162, T("&Rücklesen", "&Read back", "&Relire")),
    (1163, T("&Unterschiede", "&Differences", "&Différences")),
    (1910, T("Keine Unterschiede.", "No differences.", "Aucune différence.")),
    (1911, T("Verifiziert: Das Messgerät hält genau die geschriebenen Bytes.",
             "Verified: the meter holds exactly the bytes written.",
             "Vérifié : l'appareil contient exactement les octets écrits.")),
    (1912, T("Nicht verifiziert, im Messgerät steht anderes:", "Not verified, the meter holds something else:",
             "Non vérifié, l'appareil contient autre chose :")),
    (1913, T("Vergleich Seite – Messgerät:", "Page compared with the meter:", "Page comparée à l'appareil :")),
    (1914, T("Vergleich Seite – Datei %1:", "Page compared with file %1:", "Page comparée au fichier %1 :")),
    # 1935: the list's first line once the meter was identified again (%1: when).
    (1935, T("Von vor der erneuten Erkennung des Messgeräts um %1 – gilt womöglich nicht mehr:",
             "From before the meter was identified again at %1 – may no longer hold:",
             "Antérieur à la nouvelle identification de l'appareil à %1 – peut ne plus être vrai :")),
    (1915, T("Kein vollständiger Parameterblock vom Messgerät.", "No complete parameter block from the meter.",
             "Aucun bloc de paramètres complet de l'appareil.")),
    (1916, T("Byte %1", "Byte %1", "Octet %1")),
    (1917, T("abweichend", "differs", "différent")),
    (1918, T("Antwort des Messgeräts beschädigt, nichts verglichen. Bitte erneut.",
             "Reply from the meter damaged, nothing compared. Please try again.",
             "Réponse de l'appareil endommagée, rien de comparé. Veuillez réessayer.")),
    (1919, T("Nicht bestätigt, aber das Messgerät hält den neuen Satz doch.",
             "Not acknowledged, but the meter holds the new set after all.",
             "Non acquitté, mais l'appareil contient bien le nouveau jeu.")),
    (1920, T("Nicht geschrieben: Das Messgerät hat seinen alten Satz behalten.",
             "Not written: the meter kept its old set.",
             "Non écrit : l'appareil a gardé son ancien jeu.")),
    (1921, T("Nicht geschrieben, im Messgerät steht anderes:", "Not written, the meter holds something else:",
             "Non écrit, l'appareil contient autre chose :")),
    (1922, T("Unbekannt, ob das Messgerät den Satz hält (Rücklesen):",
             "Unknown whether the meter holds the set (read back):",
             "On ne sait pas si l'appareil contient le jeu (relire) :")),
    (1923, T("Nicht verifiziert:", "Not verified:", "Non vérifié :")),
    # After a row the model lacks, in a byte-for-byte comparison.
    (1924, T("fehlt diesem Modell", "not on this model", "absent de ce modèle")),
    # The verdict of a write that could not go out, or was not read back (qv-cli without --verify).
    (1925, T("Nicht geschrieben: keine Verbindung zum Messgerät.", "Not written: no connection to the meter.",
             "Non écrit : aucune liaison avec l'appareil.")),
    (1926, T("Geschrieben und bestätigt, nicht zurückgelesen.", "Written and acknowledged, not read back.",
             "Écrit et acquitté, non relu.")),
    (1927, T("Nicht bestätigt und nicht zurückgelesen: unbekannt, ob das Messgerät den Satz hält.",
             "Not acknowledged and not read back: unknown whether the meter holds the set.",
             "Non acquitté et non relu : on ne sait pas si l'appareil contient le jeu.")),
    # What a screen reader says of a row's markers, after its caption.
    (1928, T("geändert", "changed", "modifié")),
    (1929, T("Fehler", "error", "erreur")),
]

# --------------------------------------------------------------------------
# qv-cli, the program without a window ("Kommandozeile"): its results in the
# labels files' format; the verdicts and port failures it shares with the
# pages come from their files.

CLI_TEXTS = [
    (2001, T("keine Antwort vom Messgerät", "no answer from the meter", "pas de réponse de l'appareil")),
    (2002, T("falsches Modell: Datei %1, Messgerät %2", "wrong model: file %1, meter %2",
             "mauvais modèle : fichier %1, appareil %2")),
    (2003, T("Konfig-Check nicht bestanden", "configuration check failed", "contrôle de configuration échoué")),
    (2004, T("Konfig-Check bestanden", "configuration check passed", "contrôle de configuration réussi")),
    (2005, T("Datei nicht geschrieben: %1 (%2)", "file not written: %1 (%2)", "fichier non écrit : %1 (%2)")),
    (2006, T("Datei nicht lesbar: %1 (%2)", "cannot read the file: %1 (%2)", "fichier illisible : %1 (%2)")),
    (2007, T("erkannt", "identified", "identifié")),
    (2008, T("erkannt, Softwareversion %1", "identified, software version %1", "identifié, version logicielle %1")),
    (2009, T("%1 Zeilen aufgezeichnet in %2", "%1 lines recorded in %2", "%1 lignes enregistrées dans %2")),
    (2010, T("nichts aufgezeichnet in %1", "nothing recorded in %1", "rien d'enregistré dans %1")),
    (2011, T("erlaubt %1 … %2", "allowed %1 … %2", "autorisé %1 … %2")),
    (2012, T("Abhilfe: sudo adduser $USER dialout, dann neu anmelden", "fix: sudo adduser $USER dialout, then log in again",
             "solution : sudo adduser $USER dialout, puis se reconnecter")),
    (2013, T("keine Parameterdatei eines bekannten Modells", "not a parameter file of a known model",
             "pas un fichier de paramètres d'un modèle connu")),
    (2014, T("%1 Unterschiede", "%1 differences", "%1 différences")),
    (2015, T("%1 Zeilen nicht geschrieben", "%1 lines not written", "%1 lignes non écrites")),
    (2016, T("gespeichert: %1", "saved: %1", "enregistré : %1")),
    # The table of all results and its columns.
    (2017, T("Schnittstelle", "port", "port")),
    (2018, T("Modell", "model", "modèle")),
    (2019, T("Zeit [s]", "time [s]", "durée [s]")),
    (2020, T("Ergebnis", "result", "résultat")),
    (2021, T("FEHLGESCHLAGEN:", "FAILED:", "ÉCHEC :")),
    # Ended by Ctrl+C or SIGTERM.
    (2022, T("unterbrochen – unbekannt, ob das Messgerät den Satz hält; mit compare prüfen",
             "interrupted – unknown whether the meter holds the set; check with compare",
             "interrompu – on ne sait pas si l'appareil contient le jeu ; vérifier avec compare")),
    (2023, T("unterbrochen, nicht begonnen", "interrupted, not started", "interrompu, pas commencé")),
    (2024, T("unterbrochen", "interrupted", "interrompu")),
    # A file that is there already: never written over without --force.
    (2025, T("%1 gibt es schon (--force ersetzt es)", "%1 exists already (--force replaces it)",
             "%1 existe déjà (--force le remplace)")),
    # A recording while it runs, on a terminal.
    (2026, T("%1: %2 Zeilen", "%1: %2 lines", "%1 : %2 lignes")),
    # 2009, 2014, 2015, 2026 for a count of one (in French also for none).
    (2027, T("%1 Zeile aufgezeichnet in %2", "%1 line recorded in %2", "%1 ligne enregistrée dans %2")),
    (2028, T("%1 Unterschied", "%1 difference", "%1 différence")),
    (2029, T("%1 Zeile nicht geschrieben", "%1 line not written", "%1 ligne non écrite")),
    (2030, T("%1: %2 Zeile", "%1: %2 line", "%1 : %2 ligne")),
    # The journal of changes: a change refused because its intent could not be entered.
    (2031, T("nicht gesendet: die Änderung ließ sich nicht ins Journal %1 eintragen (%2)",
             "not sent: the change could not be entered in the journal %1 (%2)",
             "non envoyé : la modification n'a pas pu être inscrite au journal %1 (%2)")),
    # The operations as the journal lists them.
    (2032, T("Parametersatz geschrieben", "parameter set written", "jeu de paramètres écrit")),
    (2033, T("Schleichmenge %1 % gesetzt", "low-flow cut-off set to %1 %", "seuil de coupure réglé à %1 %")),
    (2034, T("Nullpunktabgleich", "zero-point adjustment", "réglage du zéro")),
    (2035, T("Totalisator zurückgesetzt", "totalizer reset", "totalisateur remis à zéro")),
    (2036, T("Minima zurückgesetzt", "minima reset", "minima remis à zéro")),
    (2037, T("Maxima zurückgesetzt", "maxima reset", "maxima remis à zéro")),
    (2038, T("Fehler zurückgesetzt", "error reset", "défaut remis à zéro")),
    (2039, T("Messung gestartet", "measurement started", "mesure démarrée")),
    (2040, T("Messung gestoppt", "measurement stopped", "mesure arrêtée")),
    # An intent without outcome: the program ended between the two.
    (2041, T("Ausgang unbekannt", "outcome unknown", "issue inconnue")),
    (2042, T("Journal unversehrt: %1 Zeilen", "journal intact: %1 lines", "journal intact : %1 lignes")),
    (2043, T("Zeile %1 wurde verändert", "line %1 was changed", "la ligne %1 a été modifiée")),
    (2044, T("vor Zeile %1 wurde eine Zeile entfernt", "a line was removed before line %1",
             "une ligne a été supprimée avant la ligne %1")),
    (2045, T("Zeile %1 wurde eingefügt", "line %1 was inserted", "la ligne %1 a été insérée")),
    (2046, T("Zeile %1 ist keine Journalzeile", "line %1 is no journal line", "la ligne %1 n'est pas une ligne du journal")),
    (2047, T("beantwortet", "answered", "répondu")),
    (2048, T("keine Antwort", "no answer", "pas de réponse")),
    (2049, T("bestätigt", "acknowledged", "acquitté")),
    (2050, T("nicht bestätigt", "not acknowledged", "non acquitté")),
    (2051, T("%1 Zeilen sind keine Journalzeilen, die erste ist Zeile %2",
             "%1 lines are no journal lines, the first is line %2",
             "%1 lignes ne sont pas des lignes du journal, la première est la ligne %2")),
    # A recording converted for other tools.
    (2052, T("%1 ist keine Aufzeichnung dieses Programms", "%1 is no recording of this program",
             "%1 n'est pas un enregistrement de ce programme")),
    (2053, T("%1 Zeilen nicht lesbar, die erste ist Zeile %2", "%1 lines could not be read, the first is line %2",
             "%1 lignes illisibles, la première est la ligne %2")),
    (2054, T("%1 Zeilen nach %2 geschrieben", "%1 lines written to %2", "%1 lignes écrites dans %2")),
    # 2053, 2054, 2042 and 2051 for one (in French also for none).
    (2055, T("%1 Zeile nicht lesbar, Zeile %2", "%1 line could not be read, line %2", "%1 ligne illisible, la ligne %2")),
    (2056, T("%1 Zeile nach %2 geschrieben", "%1 line written to %2", "%1 ligne écrite dans %2")),
    (2057, T("Journal unversehrt: %1 Zeile", "journal intact: %1 line", "journal intact : %1 ligne")),
    (2058, T("%1 Zeile ist keine Journalzeile: Zeile %2", "%1 line is no journal line: line %2",
             "%1 ligne n'est pas une ligne du journal : la ligne %2")),
]

CONFIG_HELP = [
    (1033, T(
        "Modellcode (HW-Version) des Messgeräts. Er bestimmt, welche Parameter es gibt, und die Auswahllisten.\n"
        "„KT740-->PC“ setzt ihn aus dem Messgerät; für eine Konfiguration ohne Messgerät hier wählen.",
        "Model code (hardware version) of the meter. It decides which parameters exist and fills the lists.\n"
        "“KT740-->PC” sets it from the meter; choose it here to prepare a configuration without a meter.",
        "Code modèle (version matérielle) de l'appareil. Il détermine les paramètres disponibles et les listes.\n"
        "« KT740-->PC » le lit dans l'appareil ; le choisir ici pour préparer une configuration sans appareil.")),
    (1004, T(
        "Sprache der Anzeige am Messgerät: Englisch, Deutsch oder Französisch.\n"
        "Unabhängig von der Sprache dieses Programms.",
        "Language of the meter's own display: English, German or French.\n"
        "Independent of the language of this program.",
        "Langue de l'afficheur de l'appareil : anglais, allemand ou français.\n"
        "Indépendante de la langue de ce programme.")),
    (1014, T(
        "Typ des angeschlossenen Sensors; die Liste hängt von der Modellfamilie ab.\n"
        "Er bestimmt das Messbereichsende und ob Rohrgröße, TP- oder BV-Anschluss einzugeben sind.\n"
        "SONDERTYP: Sensor mit eigenen Kennwerten.",
        "Type of the connected sensor; the list depends on the model family.\n"
        "It decides the end of the measuring range and whether pipe size, TP or BV fitting apply.\n"
        "SONDERTYP: special sensor with its own characteristic values.",
        "Type du capteur raccordé ; la liste dépend de la famille du modèle.\n"
        "Il détermine la fin de l'étendue de mesure et si la taille du tube, le raccord TP ou BV s'appliquent.\n"
        "SONDERTYP : capteur spécial avec ses propres valeurs caractéristiques.")),
    (1017, T(
        "T-Wert des Sensors, Kennwert laut Kalibrierschein.\n"
        "Ganze Zahl von 1 bis 99 (GX-Modelle: 10 bis 999).",
        "T value of the sensor, as stated on its calibration certificate.\n"
        "Whole number from 1 to 99 (GX models: 10 to 999).",
        "Valeur T du capteur, selon son certificat d'étalonnage.\n"
        "Nombre entier de 1 à 99 (modèles GX : 10 à 999).")),
    (1022, T(
        "C-Wert des Sensors, Kennwert laut Kalibrierschein.\n"
        "Ganze Zahl von 700 bis 1300 (GX-Modelle: 1 bis 999).",
        "C value of the sensor, as stated on its calibration certificate.\n"
        "Whole number from 700 to 1300 (GX models: 1 to 999).",
        "Valeur C du capteur, selon son certificat d'étalonnage.\n"
        "Nombre entier de 700 à 1300 (modèles GX : 1 à 999).")),
    (1029, T(
        "Rohrgröße der Messstelle, 10 bis 999,9 (GX-Modelle: bis 9999,9).\n"
        "Entfällt bei Sensoren mit TP- oder BV-Anschluss: dort legt der Anschluss die Größe fest.",
        "Pipe size at the measuring point, 10 to 999.9 (GX models: up to 9999.9).\n"
        "Not used with sensors on a TP or BV fitting: there the fitting sets the size.",
        "Taille du tube au point de mesure, de 10 à 999,9 (modèles GX : jusqu'à 9999,9).\n"
        "Sans objet pour les capteurs sur raccord TP ou BV : le raccord fixe la taille.")),
    (1006, T(
        "Einheit der Strömungsgeschwindigkeit: %, m/s oder fps (Fuß pro Sekunde).\n"
        "Gilt auch für den Analogausgang Strömung und für Grenzkontakte, die der Strömung zugeordnet sind.",
        "Unit of the flow velocity: %, m/s or fps (feet per second).\n"
        "Also applies to the analog flow output and to limit contacts assigned to flow.",
        "Unité de la vitesse d'écoulement : %, m/s ou fps (pieds par seconde).\n"
        "S'applique aussi à la sortie analogique vitesse et aux contacts de seuil affectés à la vitesse.")),
    (1008, T(
        "Einheit der Temperatur: °C, °F oder K.\n"
        "Gilt auch für den Analogausgang Temperatur und für Grenzkontakte, die der Temperatur zugeordnet sind.",
        "Unit of the temperature: °C, °F or K.\n"
        "Also applies to the analog temperature output and to limit contacts assigned to temperature.",
        "Unité de la température : °C, °F ou K.\n"
        "S'applique aussi à la sortie analogique température et aux contacts de seuil affectés à la température.")),
    (1010, T(
        "Einheit des Volumenstroms. Die Auswahl hängt von der Modellfamilie ab.",
        "Unit of the volume flow. The choice depends on the model family.",
        "Unité du débit volumétrique. Le choix dépend de la famille du modèle.")),
    (1016, T(
        "Einheit des Totalisators. Die Auswahl hängt von der Modellfamilie ab.",
        "Unit of the totalizer. The choice depends on the model family.",
        "Unité du totalisateur. Le choix dépend de la famille du modèle.")),
    (1046, T(
        "Inhalt der ersten Zeile der Anzeige am Messgerät: Strömung und Temperatur, Volumenstrom oder Totalisator.",
        "Content of the first line of the meter's display: flow velocity and temperature, volume flow or totalizer.",
        "Contenu de la première ligne de l'afficheur : vitesse et température, débit volumétrique ou totalisateur.")),
    (1050, T(
        "Inhalt der zweiten Zeile der Anzeige am Messgerät: Strömung und Temperatur, Volumenstrom oder Totalisator.",
        "Content of the second line of the meter's display: flow velocity and temperature, volume flow or totalizer.",
        "Contenu de la deuxième ligne de l'afficheur : vitesse et température, débit volumétrique ou totalisateur.")),
    (1055, T(
        "Angehakt: Hintergrundbeleuchtung der Anzeige am Messgerät eingeschaltet.",
        "Checked: backlight of the meter's display on.",
        "Coché : rétroéclairage de l'afficheur de l'appareil allumé.")),
    (1059, T(
        "Angehakt: Analogausgang Strömung mit Offset (Live-Zero, z. B. 4–20 mA statt 0–20 mA).\n"
        "Nur bei Modellen mit Analogausgängen.",
        "Checked: analog flow output with offset (live zero, e.g. 4–20 mA instead of 0–20 mA).\n"
        "Only on models with analog outputs.",
        "Coché : sortie analogique vitesse à zéro décalé (par ex. 4–20 mA au lieu de 0–20 mA).\n"
        "Seulement sur les modèles à sorties analogiques.")),
    (1066, T(
        "Strömungsgeschwindigkeit am Anfang des Analogausgangs (0 % des Signals), Einheit rechts.\n"
        "Von 0 bis zum Messbereichsende des Sensors; kleiner als der Endwert.",
        "Flow velocity at the start of the analog output (0 % of the signal), unit on the right.\n"
        "From 0 to the end of the sensor's measuring range; below the end value.",
        "Vitesse d'écoulement au début de la sortie analogique (0 % du signal), unité à droite.\n"
        "De 0 à la fin de l'étendue de mesure du capteur ; inférieure à la valeur de fin.")),
    (1070, T(
        "Strömungsgeschwindigkeit am Ende des Analogausgangs (100 % des Signals), Einheit rechts.\n"
        "Von 0 bis zum Messbereichsende des Sensors; größer als der Anfangswert.",
        "Flow velocity at the end of the analog output (100 % of the signal), unit on the right.\n"
        "From 0 to the end of the sensor's measuring range; above the start value.",
        "Vitesse d'écoulement à la fin de la sortie analogique (100 % du signal), unité à droite.\n"
        "De 0 à la fin de l'étendue de mesure du capteur ; supérieure à la valeur de début.")),
    (1075, T(
        "Angehakt: Analogausgang Temperatur mit Offset (Live-Zero, z. B. 4–20 mA statt 0–20 mA).\n"
        "Nur bei Modellen mit Analogausgängen.",
        "Checked: analog temperature output with offset (live zero, e.g. 4–20 mA instead of 0–20 mA).\n"
        "Only on models with analog outputs.",
        "Coché : sortie analogique température à zéro décalé (par ex. 4–20 mA au lieu de 0–20 mA).\n"
        "Seulement sur les modèles à sorties analogiques.")),
    (1078, T(
        "Temperatur am Anfang des Analogausgangs (0 % des Signals), Einheit rechts.\n"
        "-40 bis 130 °C (-40 bis 266 °F, 233,2 bis 403,1 K); kleiner als der Endwert.",
        "Temperature at the start of the analog output (0 % of the signal), unit on the right.\n"
        "-40 to 130 °C (-40 to 266 °F, 233.2 to 403.1 K); below the end value.",
        "Température au début de la sortie analogique (0 % du signal), unité à droite.\n"
        "-40 à 130 °C (-40 à 266 °F, 233,2 à 403,1 K) ; inférieure à la valeur de fin.")),
    (1082, T(
        "Temperatur am Ende des Analogausgangs (100 % des Signals), Einheit rechts.\n"
        "-40 bis 130 °C (-40 bis 266 °F, 233,2 bis 403,1 K); größer als der Anfangswert.",
        "Temperature at the end of the analog output (100 % of the signal), unit on the right.\n"
        "-40 to 130 °C (-40 to 266 °F, 233.2 to 403.1 K); above the start value.",
        "Température à la fin de la sortie analogique (100 % du signal), unité à droite.\n"
        "-40 à 130 °C (-40 à 266 °F, 233,2 à 403,1 K) ; supérieure à la valeur de début.")),
    (1086, T(
        "Zuordnung der Grenzkontakte GK1 und GK2: jeweils Strömung (FLOW) oder Temperatur (TEMP).\n"
        "Sie bestimmt Einheit und zulässigen Bereich der Schaltpunkte.",
        "Assignment of limit contacts 1 and 2 (GK1, GK2): each to flow velocity (FLOW) or temperature (TEMP).\n"
        "It decides the unit and the allowed range of the switching points.",
        "Affectation des contacts de seuil 1 et 2 (GK1, GK2) : chacun à la vitesse (FLOW) ou à la température (TEMP).\n"
        "Elle détermine l'unité et la plage admise des seuils.")),
    (1094, T(
        "Einschaltpunkt von Grenzkontakt 1 in der Einheit rechts.\n"
        "Er muss sich vom Ausschaltpunkt unterscheiden; die Differenz ist die Schalthysterese.",
        "Switch-on point of limit contact 1, in the unit on the right.\n"
        "It must differ from the switch-off point; the difference is the hysteresis.",
        "Seuil d'enclenchement du contact de seuil 1, dans l'unité à droite.\n"
        "Il doit différer du seuil de déclenchement ; l'écart est l'hystérésis.")),
    (1098, T(
        "Ausschaltpunkt von Grenzkontakt 1 in der Einheit rechts.\n"
        "Er muss sich vom Einschaltpunkt unterscheiden; die Differenz ist die Schalthysterese.",
        "Switch-off point of limit contact 1, in the unit on the right.\n"
        "It must differ from the switch-on point; the difference is the hysteresis.",
        "Seuil de déclenchement du contact de seuil 1, dans l'unité à droite.\n"
        "Il doit différer du seuil d'enclenchement ; l'écart est l'hystérésis.")),
    (1102, T(
        "Einschaltpunkt von Grenzkontakt 2 in der Einheit rechts.\n"
        "Er muss sich vom Ausschaltpunkt unterscheiden; die Differenz ist die Schalthysterese.",
        "Switch-on point of limit contact 2, in the unit on the right.\n"
        "It must differ from the switch-off point; the difference is the hysteresis.",
        "Seuil d'enclenchement du contact de seuil 2, dans l'unité à droite.\n"
        "Il doit différer du seuil de déclenchement ; l'écart est l'hystérésis.")),
    (1106, T(
        "Ausschaltpunkt von Grenzkontakt 2 in der Einheit rechts.\n"
        "Er muss sich vom Einschaltpunkt unterscheiden; die Differenz ist die Schalthysterese.",
        "Switch-off point of limit contact 2, in the unit on the right.\n"
        "It must differ from the switch-on point; the difference is the hysteresis.",
        "Seuil de déclenchement du contact de seuil 2, dans l'unité à droite.\n"
        "Il doit différer du seuil d'enclenchement ; l'écart est l'hystérésis.")),
    (1111, T(
        "Angehakt: Frequenzausgang eingeschaltet. Nur bei Modellen mit Frequenzausgang (D4).",
        "Checked: frequency output on. Only on models with a frequency output (D4).",
        "Coché : sortie fréquence activée. Seulement sur les modèles à sortie fréquence (D4).")),
    (1114, T(
        "Impulsfrequenz des Frequenzausgangs, bezogen auf die Einheit des Totalisators rechts.\n"
        "0,1 bis 999,9.",
        "Pulse frequency of the frequency output, referred to the totalizer unit on the right.\n"
        "0.1 to 999.9.",
        "Fréquence d'impulsions de la sortie fréquence, rapportée à l'unité du totalisateur à droite.\n"
        "De 0,1 à 999,9.")),
    (1118, T(
        "Messzeit in Sekunden, 1 bis 30: Zeitraum, über den das Messgerät die Messwerte mittelt.\n"
        "Längere Messzeit: ruhigere Anzeige, langsamere Reaktion.",
        "Measuring time in seconds, 1 to 30: the period over which the meter averages its values.\n"
        "A longer time gives steadier readings and a slower response.",
        "Temps de mesure en secondes, de 1 à 30 : durée sur laquelle l'appareil fait la moyenne des mesures.\n"
        "Un temps plus long donne un affichage plus stable et une réponse plus lente.")),
    (1122, T(
        "Multiplikationsfaktor: Korrekturfaktor, mit dem das Messgerät den Messwert multipliziert.\n"
        "1,00 bedeutet keine Korrektur; negative Werte sind nicht zulässig.",
        "Multiplication factor: correction factor by which the meter multiplies the measured value.\n"
        "1.00 means no correction; negative values are not allowed.",
        "Facteur de multiplication : facteur de correction appliqué par l'appareil à la mesure.\n"
        "1,00 signifie aucune correction ; les valeurs négatives ne sont pas admises.")),
    (1126, T(
        "TP-Anschluss des ZRN-Sensors, Nennweite in Klammern.\n"
        "Nur bei Sensor ZRN31GM1 (GX-Modelle) bzw. ZRN31HM1 (FX-Modelle). Bei Argon und CO2 nur TP01 bis TP04.",
        "TP fitting of the ZRN sensor, nominal size in brackets.\n"
        "Only with sensor ZRN31GM1 (GX models) or ZRN31HM1 (FX models). With argon and CO2 only TP01 to TP04.",
        "Raccord TP du capteur ZRN, diamètre nominal entre parenthèses.\n"
        "Seulement avec le capteur ZRN31GM1 (modèles GX) ou ZRN31HM1 (modèles FX). Avec argon et CO2, TP01 à TP04 seulement.")),
    (1130, T(
        "BV-Anschluss des ZRN-Sensors, Nennweite in Klammern.\n"
        "Nur bei Sensor ZRN31GM1BV (GX-Modelle) bzw. ZRN31HM1BV (FX-Modelle).",
        "BV fitting of the ZRN sensor, nominal size in brackets.\n"
        "Only with sensor ZRN31GM1BV (GX models) or ZRN31HM1BV (FX models).",
        "Raccord BV du capteur ZRN, diamètre nominal entre parenthèses.\n"
        "Seulement avec le capteur ZRN31GM1BV (modèles GX) ou ZRN31HM1BV (modèles FX).")),
    (1134, T(
        "Gasart des Mediums; sie bestimmt Kennlinie und Messbereichsende. Nur GX-Modelle.\n"
        "Bei Argon und CO2 ist nur der Sensor ZRN31GM1 zulässig.",
        "Kind of gas measured; it decides the characteristic and the end of the measuring range. GX models only.\n"
        "With argon and CO2 only the sensor ZRN31GM1 is allowed.",
        "Nature du gaz mesuré ; elle détermine la courbe et la fin de l'étendue de mesure. Modèles GX seulement.\n"
        "Avec argon et CO2, seul le capteur ZRN31GM1 est admis.")),
    (1138, T(
        "Betriebsdruck in bar, 0,1 bis 250. Nur GX-Modelle.\n"
        "Wird für die Umrechnung zwischen Norm- und Betriebsvolumenstrom gebraucht.",
        "Operating pressure in bar, 0.1 to 250. GX models only.\n"
        "Needed to convert between standard and operating flow.",
        "Pression de service en bar, de 0,1 à 250. Modèles GX seulement.\n"
        "Nécessaire à la conversion entre débit normalisé et débit réel.")),
    (1146, T(
        "Normvolumenstrom (auf Normbedingungen bezogen) oder Betriebsvolumenstrom (bei Betriebsdruck und "
        "-temperatur). Nur GX-Modelle.",
        "Standard flow (referred to standard conditions) or operating flow (at operating pressure and "
        "temperature). GX models only.",
        "« volume norme » : débit normalisé (rapporté aux conditions normales) ; « volume actuel » : débit réel "
        "(à la pression et à la température de service). Modèles GX seulement.")),
    (1065, T(
        "Prüft alle Parameter, die das Modell hat, gegen ihre Grenzen.\n"
        "Abgelehnte Werte erhalten ein Fehlerzeichen; dessen Hilfetext nennt den zulässigen Bereich.\n"
        "Dieselbe Prüfung läuft vor jedem Schreiben in das Messgerät.",
        "Checks every parameter that the model has against its limits.\n"
        "Rejected values get an error mark; its help text gives the allowed range.\n"
        "The same check runs before every write to the meter.",
        "Contrôle chaque paramètre du modèle par rapport à ses limites.\n"
        "Les valeurs refusées reçoivent une marque d'erreur ; son aide indique la plage admise.\n"
        "Le même contrôle précède chaque écriture dans l'appareil.")),
    (1064, T(
        "Speichert Modellcode und Parametersatz in eine Konfigurationsdatei.\n"
        "Die Werte werden dabei nicht geprüft.",
        "Saves the model code and the parameter set to a configuration file.\n"
        "The values are not checked when saving.",
        "Enregistre le code modèle et le jeu de paramètres dans un fichier de configuration.\n"
        "Les valeurs ne sont pas contrôlées à l'enregistrement.")),
    (1063, T(
        "Lädt Modellcode und Parametersatz aus einer Konfigurationsdatei in diese Seite.\n"
        "Das Messgerät ändert sich erst mit „PC-->KT740“.",
        "Loads the model code and the parameter set from a configuration file into this page.\n"
        "The meter changes only with “PC-->KT740”.",
        "Charge le code modèle et le jeu de paramètres d'un fichier de configuration dans cette page.\n"
        "L'appareil ne change qu'avec « PC-->KT740 ».")),
    (1062, T(
        "Leert alle Parameterfelder und Auswahlen dieser Seite.\n"
        "Im Messgerät ändert sich nichts.",
        "Empties every parameter field and list selection of this page.\n"
        "Nothing changes in the meter.",
        "Vide tous les champs et choix de paramètres de cette page.\n"
        "Rien ne change dans l'appareil.")),
    (1011, T(
        "Liest Modellcode und Parametersatz aus dem Messgerät in diese Seite.\n"
        "Nicht gespeicherte Änderungen auf der Seite gehen verloren.",
        "Reads the model code and the parameter set from the meter into this page.\n"
        "Unsaved changes on the page are lost.",
        "Lit le code modèle et le jeu de paramètres de l'appareil dans cette page.\n"
        "Les modifications non enregistrées de la page sont perdues.")),
    (1012, T(
        "Prüft den Parametersatz und schreibt ihn in das Messgerät.\n"
        "Findet die Prüfung Fehler, wird nichts gesendet: Zeilen mit Fehlerzeichen korrigieren.",
        "Checks the parameter set and writes it to the meter.\n"
        "If the check finds errors, nothing is sent: correct the rows with an error mark.",
        "Contrôle le jeu de paramètres et l'écrit dans l'appareil.\n"
        "Si le contrôle trouve des erreurs, rien n'est envoyé : corriger les lignes marquées.")),
]

# Change markers (one per parameter row): the same text for every row.
CHANGED_MARKERS = [1025, 1021, 1020, 1019, 1024, 1031, 1027, 1039, 1041, 1044, 1048, 1052, 1056, 1060,
                   1068, 1072, 1076, 1080, 1084, 1088, 1096, 1100, 1104, 1108, 1112, 1116, 1120, 1124,
                   1128, 1132, 1136, 1140, 1144]
CHANGED_TEXT = T(
    "Geändert: der Wert weicht vom zuletzt gelesenen oder geladenen Wert ab.",
    "Changed: the value differs from the one last read from the meter or loaded from a file.",
    "Modifié : la valeur diffère de celle lue dans l'appareil ou chargée depuis un fichier.")

_EN_ERR = "Invalid: "
_FR_ERR = "Invalide : "
_FLOW_RANGE = T(
    "Wert fehlt, liegt nicht zwischen 0 und dem Messbereichsende des Sensors (z. B. 4,0 m/s bei HM-Sensoren, "
    "99,99 m/s bei GM-Sensoren), oder der Endwert ist nicht größer als der Anfangswert.",
    "value missing, not between 0 and the end of the sensor's measuring range (e.g. 4.0 m/s for HM sensors, "
    "99.99 m/s for GM sensors), or the end value is not above the start value.",
    "valeur absente, hors de 0 à la fin de l'étendue du capteur (par ex. 4,0 m/s pour les capteurs HM, "
    "99,99 m/s pour les capteurs GM), ou valeur de fin non supérieure au début.")
_TEMP_RANGE = T(
    "Wert fehlt, liegt nicht zwischen -40 und 130 °C (-40 bis 266 °F, 233,2 bis 403,1 K), "
    "oder der Endwert ist nicht größer als der Anfangswert.",
    "value missing, not between -40 and 130 °C (-40 to 266 °F, 233.2 to 403.1 K), "
    "or the end value is not above the start value.",
    "valeur absente, hors de -40 à 130 °C (-40 à 266 °F, 233,2 à 403,1 K), "
    "ou valeur de fin non supérieure à la valeur de début.")
_LIMIT_RANGE = T(
    "Wert fehlt, liegt außerhalb des Bereichs der zugeordneten Größe (Strömung oder Temperatur), "
    "oder Ein- und Ausschaltpunkt sind gleich.",
    "value missing, outside the range of the assigned quantity (flow velocity or temperature), "
    "or switch-on and switch-off points are equal.",
    "valeur absente, hors de la plage de la grandeur affectée (vitesse ou température), "
    "ou seuils d'enclenchement et de déclenchement égaux.")


def _none(de, en, fr):
    return T("Keine Auswahl bei " + de + ".", "no " + en + " chosen.", "aucun choix pour " + fr + ".")


ERROR_MARKERS = [
    (1026, T("Kein Modell gewählt: ein Modell (HW-Version) auswählen.",
             "no model chosen; choose a model (hardware version).",
             "aucun modèle choisi ; choisir un modèle (version matérielle).")),
    (1028, _none("der Anzeigesprache", "display language", "la langue de l'afficheur")),
    (1032, T("Kein Sensortyp gewählt, oder er passt nicht zum Medium (Argon und CO2: nur ZRN31GM1).",
             "no sensor type chosen, or it does not suit the medium (argon and CO2: ZRN31GM1 only).",
             "aucun type de capteur choisi, ou il ne convient pas au fluide (argon et CO2 : ZRN31GM1 seulement).")),
    (1035, T("T-Wert fehlt oder liegt außerhalb 1 bis 99 (GX-Modelle: 10 bis 999).",
             "T value missing or outside 1 to 99 (GX models: 10 to 999).",
             "valeur T absente ou hors de 1 à 99 (modèles GX : 10 à 999).")),
    (1036, T("C-Wert fehlt oder liegt außerhalb 700 bis 1300 (GX-Modelle: 1 bis 999).",
             "C value missing or outside 700 to 1300 (GX models: 1 to 999).",
             "valeur C absente ou hors de 700 à 1300 (modèles GX : 1 à 999).")),
    (1037, T("Rohrgröße fehlt oder liegt außerhalb 10 bis 999,9 (GX-Modelle: bis 9999,9).",
             "pipe size missing or outside 10 to 999.9 (GX models: up to 9999.9).",
             "taille du tube absente ou hors de 10 à 999,9 (modèles GX : jusqu'à 9999,9).")),
    (1038, _none("der Einheit der Strömungsgeschwindigkeit", "flow velocity unit",
                 "l'unité de vitesse d'écoulement")),
    (1040, _none("der Einheit der Temperatur", "temperature unit", "l'unité de température")),
    (1042, _none("der Einheit des Volumenstroms", "volume flow unit", "l'unité de débit volumétrique")),
    (1045, _none("der Einheit des Totalisators", "totalizer unit", "l'unité du totalisateur")),
    (1049, _none("der Anzeigezeile 1", "content for display line 1", "la ligne 1 de l'afficheur")),
    (1053, _none("der Anzeigezeile 2", "content for display line 2", "la ligne 2 de l'afficheur")),
    (1069, _FLOW_RANGE),
    (1073, _FLOW_RANGE),
    (1081, _TEMP_RANGE),
    (1085, _TEMP_RANGE),
    (1089, _none("der Zuordnung der Grenzkontakte", "limit contact assignment",
                 "l'affectation des contacts de seuil")),
    (1097, _LIMIT_RANGE),
    (1101, _LIMIT_RANGE),
    (1105, _LIMIT_RANGE),
    (1109, _LIMIT_RANGE),
    (1117, T("Impulsfrequenz fehlt oder liegt außerhalb 0,1 bis 999,9.",
             "pulse frequency missing or outside 0.1 to 999.9.",
             "fréquence d'impulsions absente ou hors de 0,1 à 999,9.")),
    (1121, T("Messzeit fehlt oder liegt außerhalb 1 bis 30 s.",
             "measuring time missing or outside 1 to 30 s.",
             "temps de mesure absent ou hors de 1 à 30 s.")),
    (1125, T("Der Multiplikationsfaktor ist negativ.",
             "the multiplication factor is negative.",
             "le facteur de multiplication est négatif.")),
    (1129, T("Kein TP-Anschluss gewählt, oder bei Argon und CO2 ein Anschluss größer als TP04 (DN32).",
             "no TP fitting chosen, or a fitting above TP04 (DN32) with argon or CO2.",
             "aucun raccord TP choisi, ou raccord supérieur à TP04 (DN32) avec argon ou CO2.")),
    (1133, _none("dem BV-Anschluss", "BV fitting", "le raccord BV")),
    (1137, T("Kein Medium gewählt, oder Medium, Sensortyp und TP-Anschluss passen nicht zusammen.",
             "no medium chosen, or medium, sensor type and TP fitting do not match.",
             "aucun fluide choisi, ou fluide, type de capteur et raccord TP incompatibles.")),
    (1141, T("Druck fehlt oder liegt außerhalb 0,1 bis 250 bar.",
             "pressure missing or outside 0.1 to 250 bar.",
             "pression absente ou hors de 0,1 à 250 bar.")),
    (1145, _none("der Betriebsart", "operating mode", "le mode de fonctionnement")),
]


def _config_help():
    out = list(CONFIG_HELP)
    out += [(m, CHANGED_TEXT) for m in CHANGED_MARKERS]
    for m, t in ERROR_MARKERS:
        # The German texts are whole sentences and need no lead word.
        out.append((m, T(t["de"] + "\nWert korrigieren; das Zeichen verschwindet mit der Änderung.",
                         _EN_ERR + t["en"] + "\nCorrect the value; the mark disappears when it is changed.",
                         _FR_ERR + t["fr"] + "\nCorriger la valeur ; la marque disparaît à la modification.")))
    return out


# --------------------------------------------------------------------------
# Graph page ("Visualisierung")

GRAPH_LABELS = [
    (1131, T("Plot Start", "Start plot", "Démarrer le tracé")),
    (1132, T("Plot Stop", "Stop plot", "Arrêter le tracé")),
    (1133, T("Plot löschen", "Clear plot", "Effacer le tracé")),
    (1134, T("Export…", "Export…", "Exporter…")),
    # 1950 belongs to no control: what the chart's frame says when the chart failed.
    (1950, T("Das Diagramm ist nicht verfügbar.", "The chart is not available.", "Le graphique n'est pas disponible.")),
]

GRAPH_HELP = [
    (1130, T(
        "Verlauf von Temperatur und Volumenstrom, jede Kurve mit eigener Y-Achse.\n"
        "Ein Punkt je Messzyklus (Refreshrate auf der Seite Einstellungen), höchstens 2000 Punkte.",
        "Course of temperature and volume flow, each curve on its own Y axis.\n"
        "One point per measuring cycle (refresh rate on the Settings page), at most 2000 points.",
        "Évolution de la température et du débit volumétrique, chaque courbe sur son propre axe Y.\n"
        "Un point par cycle de mesure (intervalle de rafraîchissement sur la page Paramètres), 2000 points au plus.")),
    (1131, T(
        "Startet das Zeichnen: jeder Messzyklus fügt beiden Kurven einen Punkt hinzu.\n"
        "Nach „Plot Stop“ setzt ein neuer Start die Kurven fort.",
        "Starts plotting: every measuring cycle adds one point to both curves.\n"
        "After “Stop plot”, starting again continues the curves.",
        "Démarre le tracé : chaque cycle de mesure ajoute un point aux deux courbes.\n"
        "Après « Arrêter le tracé », un nouveau démarrage prolonge les courbes.")),
    (1132, T(
        "Hält das Zeichnen an; die Kurven bleiben stehen.",
        "Stops plotting; the curves stay as they are.",
        "Arrête le tracé ; les courbes restent affichées.")),
    (1133, T(
        "Löscht beide Kurven und hält das Zeichnen an.\n"
        "Danach mit „Plot Start“ neu beginnen; nach 2000 Punkten ist Löschen nötig.",
        "Clears both curves and stops plotting.\n"
        "Then begin again with “Start plot”; after 2000 points the plot must be cleared.",
        "Efface les deux courbes et arrête le tracé.\n"
        "Recommencer ensuite avec « Démarrer le tracé » ; après 2000 points, il faut effacer.")),
    (1134, T(
        "Speichert die gezeichneten Kurven als CSV für andere Programme (Punkt, Uhrzeit, Werte mit Einheit) "
        "oder, mit der Endung .png, das Diagramm als Bild.\n"
        "Im Diagramm: Rad oder + und - zoomt, Ziehen verschiebt, Pos1 zeigt wieder alles und folgt dem neuesten Punkt.",
        "Saves the plotted curves as CSV for other programs (point, time, values with their units) "
        "or, with the ending .png, the chart as a picture.\n"
        "In the chart: the wheel or + and - zoom, dragging moves, Home shows everything again and follows the newest point.",
        "Enregistre les courbes tracées en CSV pour d'autres programmes (point, heure, valeurs avec unité) "
        "ou, avec l'extension .png, le graphique en image.\n"
        "Dans le graphique : la molette ou + et - zooment, glisser déplace, Origine montre tout et suit le point le plus récent.")),
]

# --------------------------------------------------------------------------
# Messages 1 to 15: caption, then body lines.

MESSAGES = [
    (1, T(["Konfigurationsprüfung",
           "Die Parameter wurden nicht gesendet: die Prüfung hat ungültige Werte gefunden.",
           "Die betroffenen Zeilen tragen ein Fehlerzeichen; sein Hilfetext nennt den zulässigen Bereich.",
           "Werte korrigieren und erneut senden."],
          ["Configuration check",
           "The parameters were not sent: the check found invalid values.",
           "The rows concerned carry an error mark; its help text gives the allowed range.",
           "Correct the values and send again."],
          ["Contrôle de configuration",
           "Les paramètres n'ont pas été envoyés : le contrôle a trouvé des valeurs invalides.",
           "Les lignes concernées portent une marque d'erreur ; son aide indique la plage admise.",
           "Corriger les valeurs et envoyer à nouveau."])),
    (2, T(["Schreiben fehlgeschlagen",
           "Das Messgerät hat den Parametersatz nicht bestätigt.",
           "Kabel, Versorgung und gewählte Schnittstelle prüfen und erneut senden."],
          ["Write failed",
           "The meter did not acknowledge the parameter set.",
           "Check the cable, the supply and the chosen port, then send again."],
          ["Échec de l'écriture",
           "L'appareil n'a pas confirmé le jeu de paramètres.",
           "Contrôler le câble, l'alimentation et le port choisi, puis envoyer à nouveau."])),
    (3, T(["Konfiguration speichern", "Datei für den Parametersatz wählen."],
          ["Save configuration", "Choose a file for the parameter set."],
          ["Enregistrer la configuration", "Choisir un fichier pour le jeu de paramètres."])),
    (4, T(["Konfigurationsdatei",
           "Die Konfigurationsdatei kann nicht geöffnet werden.",
           "Pfad, Dateiname und Zugriffsrechte prüfen."],
          ["Configuration file",
           "The configuration file cannot be opened.",
           "Check the path, the file name and the access rights."],
          ["Fichier de configuration",
           "Le fichier de configuration ne peut pas être ouvert.",
           "Contrôler le chemin, le nom du fichier et les droits d'accès."])),
    (5, T(["Konfiguration laden", "Konfigurationsdatei zum Laden wählen."],
          ["Load configuration", "Choose the configuration file to load."],
          ["Charger une configuration", "Choisir le fichier de configuration à charger."])),
    (6, T(["Parameter geschrieben",
           "Das Messgerät hat den Parametersatz übernommen."],
          ["Parameters written",
           "The meter has accepted the parameter set."],
          ["Paramètres écrits",
           "L'appareil a accepté le jeu de paramètres."])),
    (7, T(["Schleichmenge gesetzt",
           "Das Messgerät hat die neue Schleichmenge übernommen.",
           "„Schleichmenge aktuell“ zeigt sie ab der nächsten Messung."],
          ["Low-flow cut-off set",
           "The meter has accepted the new low-flow cut-off.",
           "“Actual low-flow cut-off” shows it from the next measurement on."],
          ["Seuil de coupure réglé",
           "L'appareil a accepté le nouveau seuil de coupure.",
           "« Seuil de coupure actuel » l'affiche dès la prochaine mesure."])),
    (8, T(["Keine Bestätigung",
           "Das Messgerät hat den Befehl nicht bestätigt.",
           "Kabel, Versorgung und gewählte Schnittstelle prüfen und den Befehl wiederholen."],
          ["No acknowledgement",
           "The meter did not acknowledge the command.",
           "Check the cable, the supply and the chosen port, then repeat the command."],
          ["Pas de confirmation",
           "L'appareil n'a pas confirmé la commande.",
           "Contrôler le câble, l'alimentation et le port choisi, puis répéter la commande."])),
    (9, T(["Nullpunktabgleich",
           "Der Nullpunktabgleich wurde erfolgreich abgeschlossen."],
          ["Zero-point adjustment",
           "The zero-point adjustment has been completed successfully."],
          ["Réglage du zéro",
           "Le réglage du zéro s'est terminé avec succès."])),
    (10, T(["Nullpunktabgleich",
            "Der Nullpunktabgleich ist fehlgeschlagen: das Medium war nicht in Ruhe.",
            "Durchfluss sicher absperren, einige Sekunden warten und den Abgleich wiederholen."],
           ["Zero-point adjustment",
            "The zero-point adjustment failed: the medium was not at rest.",
            "Shut off the flow reliably, wait a few seconds and repeat the adjustment."],
           ["Réglage du zéro",
            "Le réglage du zéro a échoué : le fluide n'était pas au repos.",
            "Couper le débit de façon sûre, attendre quelques secondes et répéter le réglage."])),
    (11, T(["Nullpunktabgleich",
            "Der Nullpunktabgleich ist fehlgeschlagen: das Sensorsignal liegt außerhalb des Abgleichbereichs.",
            "Sensor, Sensorkabel und Füllung der Messstrecke prüfen; einen gemeldeten Fehler zuerst beheben."],
           ["Zero-point adjustment",
            "The zero-point adjustment failed: the sensor signal is outside the adjustment range.",
            "Check the sensor, its cable and that the line is filled; clear any reported error first."],
           ["Réglage du zéro",
            "Le réglage du zéro a échoué : le signal du capteur est hors de la plage de réglage.",
            "Contrôler le capteur, son câble et le remplissage de la conduite ; éliminer d'abord tout défaut signalé."])),
    (12, T(["Nullpunktabgleich",
            "Das Messgerät hat kein Ergebnis des Nullpunktabgleichs gemeldet.",
            "Verbindung prüfen und den Abgleich wiederholen."],
           ["Zero-point adjustment",
            "The meter did not report a result of the zero-point adjustment.",
            "Check the connection and repeat the adjustment."],
           ["Réglage du zéro",
            "L'appareil n'a signalé aucun résultat du réglage du zéro.",
            "Contrôler la liaison et répéter le réglage."])),
    (13, T(["Aufzeichnungsdatei wählen", "CSV-Datei für die Aufzeichnung der Messwerte wählen."],
           ["Choose recording file", "Choose a CSV file for recording the measured values."],
           ["Choisir le fichier d'enregistrement", "Choisir un fichier CSV pour l'enregistrement des mesures."])),
    (14, T(["Aufzeichnung",
            "Die Aufzeichnungsdatei lässt sich nicht schreiben; der Grund steht in der Statuszeile.",
            "Eine laufende Aufzeichnung ist angehalten und geht weiter, sobald wieder geschrieben werden kann.",
            "Bis dahin fehlen die Messungen in der Datei."],
           ["Recording",
            "The recording file cannot be written; the status line says why.",
            "A running recording is paused and goes on as soon as it can write again.",
            "Until then, the measurements are missing from the file."],
           ["Enregistrement",
            "Le fichier d'enregistrement ne peut pas être écrit ; la ligne d'état dit pourquoi.",
            "Un enregistrement en cours est suspendu et reprend dès que l'écriture est de nouveau possible.",
            "Jusque-là, les mesures manquent dans le fichier."])),
    (15, T(["Sprache",
            "Die Sprache der Oberfläche ist jetzt Deutsch.",
            "Registerkartentitel, Fehlertexte und Fehlerhilfe wechseln beim nächsten Programmstart."],
           ["Language",
            "The program's language is now English.",
            "Tab titles, error texts and error help change at the next start."],
           ["Langue",
            "La langue du programme est maintenant le français.",
            "Les titres des onglets, les textes de défaut et l'aide sur les défauts changent au prochain démarrage."])),
]

# --------------------------------------------------------------------------
# Link status texts, messages 41 to 55 of the same files: one line each, never
# shown in a box. The status line at the foot of every page builds its text
# from them; %1, %2, ... stand for the port, the model, numbers and times.
# Numbers 16 to 40 stay free for boxes; 109 to 120 for further status texts.

STATUS_FIRST = 41

STATUS_MESSAGES = [
    (41, T("%1: %2", "%1: %2", "%1 : %2")),
    (42, T("letzter Messzyklus vor %1 s", "last measuring cycle %1 s ago", "dernier cycle de mesure il y a %1 s")),
    (43, T("noch kein Messzyklus", "no measuring cycle yet", "aucun cycle de mesure pour l'instant")),
    (44, T("Austausche %1, unbeantwortet %2, falsche Länge %3, Schnittstelle neu geöffnet %4",
           "exchanges %1, unanswered %2, wrong length %3, port reopened %4",
           "échanges %1, sans réponse %2, longueur erronée %3, port rouvert %4")),
    # 45, 46, 117, 118: an outage; 116 follows while a recording waits.
    (45, T("%1: Das Messgerät antwortet nicht. Werte veraltet.",
           "%1: The meter is not answering. Values are stale.",
           "%1 : L'appareil ne répond pas. Valeurs périmées.")),
    (46, T("%1: Verbindung verloren. Werte veraltet.",
           "%1: Connection lost. Values are stale.",
           "%1 : Liaison perdue. Valeurs périmées.")),
    (47, T("%1 lässt sich nicht öffnen: keine Verbindung zum Messgerät.",
           "%1 cannot be opened: no connection to the meter.",
           "%1 ne peut pas être ouvert : aucune liaison avec l'appareil.")),
    (48, T("kein Messgerät erkannt", "no meter identified", "aucun appareil identifié")),
    (49, T("Messung ruht bis zum ersten Öffnen der Seite Betrieb oder Visualisierung",
           "measuring starts when the Operation or Visualization page is first opened",
           "la mesure démarre à la première ouverture de la page Opération ou Affichage graphique")),
    (50, T("KT740-->PC: keine Verbindung zum Messgerät, nichts gelesen.",
           "KT740-->PC: no connection to the meter, nothing read.",
           "KT740-->PC : aucune liaison avec l'appareil, rien n'a été lu.")),
    (51, T("KT740-->PC: Modell unbekannt. Messgerät erkennen lassen oder ein Modell wählen.",
           "KT740-->PC: model unknown. Let the meter be identified or choose a model.",
           "KT740-->PC : modèle inconnu. Faire identifier l'appareil ou choisir un modèle.")),
    (52, T("KT740-->PC: Der Parameterblock kam nicht vollständig an. Die Werte sind unverändert.",
           "KT740-->PC: The parameter block did not arrive in full. The values are unchanged.",
           "KT740-->PC : Le bloc de paramètres n'est pas arrivé en entier. Les valeurs sont inchangées.")),
    (53, T("Konfig-Check: Alle Werte liegen in ihren Bereichen.",
           "Configuration check: every value is within its range.",
           "Contrôle de configuration : toutes les valeurs sont dans leurs plages.")),
    (54, T("Aufzeichnung angehalten: Es wird nichts geschrieben, bis das Messgerät wieder antwortet.",
           "Recording paused: nothing is written until the meter answers again.",
           "Enregistrement suspendu : rien n'est écrit jusqu'à ce que l'appareil réponde à nouveau.")),
    (55, T("Veraltet, letzte Aktualisierung %1", "Stale, last updated %1", "Périmé, dernière mise à jour %1")),
    # 56 to 63: the line's diagnosis window and the status line's button that opens it.
    (56, T("Leitungsdiagnose", "Line diagnosis", "Diagnostic de la liaison")),
    (57, T("&Anhalten", "&Pause", "&Pause")),
    (58, T("&Leeren", "C&lear", "&Effacer")),
    (59, T("&Speichern...", "&Save...", "&Enregistrer...")),
    (60, T("Schließen", "Close", "Fermer")),
    (61, T("Leitungsdia&gnose...", "Line dia&gnosis...", "Dia&gnostic de la liaison...")),
    (62, T("Zeit, Richtung, Befehl, Bytes hexadezimal |als Zeichen|",
           "Time, direction, command, bytes in hex |as characters|",
           "Heure, sens, commande, octets en hexadécimal |en caractères|")),
    (63, T("Leitungsprotokoll speichern", "Save line trace", "Enregistrer la trace de la liaison")),
    # 64 to 79: the service report, its captions and the small window that asks for the note.
    (64, T("Servicebericht KT740", "KT740 service report", "Rapport de service KT740")),
    (65, T("Schnittstelle", "Port", "Port")),
    (66, T("Modell", "Model", "Modèle")),
    (67, T("Software-Version", "Software version", "Version logicielle")),
    (68, T("Parametersatz", "Parameter set", "Jeu de paramètres")),
    (69, T("Letzte Messung", "Last measurement", "Dernière mesure")),
    (70, T("&Notiz des Technikers", "Technician's &note", "&Note du technicien")),
    (71, T("Service&bericht...", "Service &report...", "&Rapport de service...")),
    (72, T("PDF &speichern...", "&Save PDF...", "&Enregistrer le PDF...")),
    (73, T("Strömung akt. / min. / max.", "Flow velocity now / min. / max.", "Vitesse act. / min. / max.")),
    (74, T("Volumenstrom akt. / min. / max.", "Volume flow now / min. / max.", "Débit act. / min. / max.")),
    (75, T("Temperatur akt. / min. / max.", "Temperature now / min. / max.", "Température act. / min. / max.")),
    (76, T("Totalisator", "Totalizer", "Totalisateur")),
    (77, T("Kontakte GK1, GK2, Bereit, Fehler", "Contacts limit 1, limit 2, ready, error",
           "Contacts seuil 1, seuil 2, prêt, défaut")),
    (78, T("Fehler", "Error", "Défaut")),
    (79, T("Servicebericht speichern", "Save service report", "Enregistrer le rapport de service")),
    (80, T("KT740-->PC: Antwort beschädigt, Werte unverändert. Bitte erneut lesen.",
           "KT740-->PC: reply damaged, values unchanged. Please read again.",
           "KT740-->PC : réponse endommagée, valeurs inchangées. Veuillez relire.")),
    (81, T("Konfig-Check: %1 Werte außerhalb ihres Bereichs, zuerst %2 (rote Marken).",
           "Configuration check: %1 values outside their range, first %2 (red marks).",
           "Contrôle de configuration : %1 valeurs hors plage, d'abord %2 (marques rouges).")),
    (82, T("Aufzeichnung angehalten: %1 (%2). Sie geht weiter, sobald wieder geschrieben werden kann.",
           "Recording paused: %1 (%2). It goes on as soon as it can write again.",
           "Enregistrement suspendu : %1 (%2). Il reprend dès que l'écriture est de nouveau possible.")),
    (83, T("Datenträger voll", "disk full", "disque plein")),
    (84, T("Ordner schreibgeschützt", "folder read-only", "dossier en lecture seule")),
    (85, T("keine Berechtigung zum Schreiben", "no permission to write", "pas d'autorisation d'écrire")),
    (86, T("Datei oder Ordner entfernt", "file or folder removed", "fichier ou dossier supprimé")),
    (87, T("Aufzeichnung nicht gestartet: %1 (%2).", "Recording not started: %1 (%2).",
           "Enregistrement non démarré : %1 (%2).")),
    (88, T("%1: gesendet, das Messgerät hat geantwortet.", "%1: sent, the meter answered.",
           "%1 : envoyé, l'appareil a répondu.")),
    (89, T("%1: gesendet, keine Antwort – ob es ausgeführt wurde, ist unbekannt.",
           "%1: sent, no answer – whether it was done is unknown.",
           "%1 : envoyé, pas de réponse – on ne sait pas s'il a été exécuté.")),
    (90, T("%1: nicht gesendet, keine Verbindung zum Messgerät.", "%1: not sent, no connection to the meter.",
           "%1 : non envoyé, pas de liaison avec l'appareil.")),
    (91, T("Messung läuft (laut letztem Befehl, %1)", "Measuring runs (as last commanded, %1)",
           "Mesure en cours (selon la dernière commande, %1)")),
    (92, T("Messung gestoppt (laut letztem Befehl, %1)", "Measuring stopped (as last commanded, %1)",
           "Mesure arrêtée (selon la dernière commande, %1)")),
    (93, T("Messung: Befehl ohne Antwort, Zustand unbekannt (%1)", "Measuring: command unanswered, state unknown (%1)",
           "Mesure : commande sans réponse, état inconnu (%1)")),
    (94, T("Herkunft", "Source", "Origine")),
    (95, T("aus dem Messgerät gelesen um %1", "read from the meter at %1", "lu dans l'appareil à %1")),
    (96, T("aus der Datei %1 geladen", "loaded from the file %1", "chargé du fichier %1")),
    (97, T("von Hand eingegeben", "entered by hand", "saisi à la main")),
    (98, T("%1, danach geändert: %2", "%1, changed since: %2", "%1, modifié depuis : %2")),
    (99, T("kein Parametersatz", "no parameter set", "aucun jeu de paramètres")),
    (100, T("%1 gibt es schon. Bitte einen anderen Namen wählen.", "%1 exists already. Please choose another name.",
            "%1 existe déjà. Veuillez choisir un autre nom.")),
    # Where a file went.
    (101, T("Gespeichert: %1", "Saved: %1", "Enregistré : %1")),
    (102, T("Geladen: %1", "Loaded: %1", "Chargé : %1")),
    (103, T("Aufzeichnung in %1", "Recording to %1", "Enregistrement dans %1")),
    (104, T("Servicebericht gespeichert: %1", "Service report saved: %1", "Rapport de service enregistré : %1")),
    (105, T("Leitungsprotokoll gespeichert: %1", "Line trace saved: %1", "Journal de la liaison enregistré : %1")),
    # The window menu's entries (the service report's is 71).
    (106, T("Minimieren", "Minimize", "Réduire")),
    (107, T("&Info über QV-Gui...", "&About QV-Gui...", "À &propos de QV-Gui...")),
    (108, T("Schließen", "Close", "Fermer")),
    # Told on the terminal when the window closes while a command is on the line.
    (109, T("QV-Gui: Beim Schließen lief noch ein Befehl am Messgerät; ob er ausgeführt wurde, ist unbekannt "
            "(mit KT740-->PC oder Rücklesen prüfen).",
            "QV-Gui: a command to the meter was still running when the window closed; whether it was carried out "
            "is unknown (check with KT740-->PC or Read back).",
            "QV-Gui : une commande à l'appareil était en cours à la fermeture ; on ne sait pas si elle a été "
            "exécutée (vérifier avec KT740-->PC ou Relire).")),
    # Why a file was not read or written, after its name (the system words the other reasons).
    (110, T("keine gewöhnliche Datei (ein Ordner, ein Gerät oder eine Pipe)",
            "not a regular file (a folder, a device or a pipe)",
            "pas un fichier ordinaire (un dossier, un périphérique ou un tube)")),
    (111, T("größer als %1 Bytes, zu groß für eine solche Datei", "larger than %1 bytes, too large for such a file",
            "plus de %1 octets, trop grand pour un tel fichier")),
    (112, T("gibt es schon", "exists already", "existe déjà")),
    # A file the window did not read or write, with why.
    (113, T("Nicht gelesen: %1", "Not read: %1", "Non lu : %1")),
    (114, T("Nicht geschrieben: %1", "Not written: %1", "Non écrit : %1")),
    (115, T("Einstellungen weder gelesen noch gespeichert: %1", "Settings neither read nor saved: %1",
            "Paramètres ni lus ni enregistrés : %1")),
    # After an outage's text while a recording waits for the meter.
    (116, T("Aufzeichnung angehalten.", "Recording is paused.", "Enregistrement suspendu.")),
    (117, T("%1: Es kommen Bytes, aber keine Antwort des Messgeräts (anderes Gerät, andere Baudrate?). Werte veraltet.",
            "%1: Bytes arrive, but no answer from the meter (another device, another baud rate?). Values are stale.",
            "%1 : Des octets arrivent, mais aucune réponse de l'appareil (autre appareil, autre débit ?). "
            "Valeurs périmées.")),
    (118, T("%1: Die Gegenseite schließt die Verbindung immer wieder. Werte veraltet.",
            "%1: The other end keeps closing the connection. Values are stale.",
            "%1 : L'autre côté ferme sans cesse la liaison. Valeurs périmées.")),
    # The red lamp's tool tip, while the program tries again by itself.
    (119, T("Das Programm versucht es von selbst weiter; die Schnittstelle muss nicht neu gewählt werden.",
            "The program keeps trying by itself; the port need not be chosen again.",
            "Le programme réessaie de lui-même ; inutile de choisir à nouveau le port.")),
    # 81 for a single value.
    (120, T("Konfig-Check: %1 Wert außerhalb seines Bereichs: %2 (rote Marke).",
            "Configuration check: %1 value outside its range: %2 (red mark).",
            "Contrôle de configuration : %1 valeur hors plage : %2 (marque rouge).")),
    (121, T("KT740-->PC: Parametersatz gelesen (%1).", "KT740-->PC: parameter set read (%1).",
            "KT740-->PC : jeu de paramètres lu (%1).")),
    # The journal of changes.
    (122, T("Journal", "Journal", "Journal")),
    (123, T("Nicht gesendet: Die Änderung ließ sich nicht ins Journal %1 eintragen (%2). "
            "Ohne Eintrag geht nichts an das Messgerät.",
            "Not sent: the change could not be entered in the journal %1 (%2). "
            "Nothing goes to the meter without its entry.",
            "Non envoyé : la modification n'a pas pu être inscrite au journal %1 (%2). "
            "Rien ne part vers l'appareil sans son inscription.")),
    (124, T("von einem anderen Programm länger als 5 s gesperrt", "locked by another program for more than 5 s",
            "verrouillé par un autre programme depuis plus de 5 s")),
    (125, T("seine letzte Zeile ist länger als jede Journalzeile", "its last line is longer than any journal line",
            "sa dernière ligne est plus longue que toute ligne du journal")),
    (126, T("%1: nicht gesendet, nicht ins Journal eingetragen.", "%1: not sent, not entered in the journal.",
            "%1 : non envoyé, non inscrit au journal.")),
    (127, T("&Journal...", "&Journal...", "&Journal...")),
    (128, T("&Anschluss", "&Port", "&Port")),
    (129, T("alle", "all", "tous")),
    (130, T("Kette &prüfen", "&Verify chain", "&Vérifier la chaîne")),
    (131, T("&Neu lesen", "&Reload", "&Relire")),
    (132, T("Änderungen an diesem Messgerät", "Changes made to this meter", "Modifications apportées à cet appareil")),
    (133, T("Keine seit %1.", "None since %1.", "Aucune depuis %1.")),
    (134, T("Noch keine Änderung eingetragen (%1 gibt es noch nicht).",
            "No change entered yet (%1 does not exist yet).",
            "Aucune modification inscrite pour l'instant (%1 n'existe pas encore).")),
    # The recording viewer.
    (135, T("Auf&zeichnung öffnen…", "Open &recording…", "Ouvrir un &enregistrement…")),
    (136, T("Aufzeichnung – %1", "Recording – %1", "Enregistrement – %1")),
    (137, T("%1 · Zeilen: %2 · %3 bis %4", "%1 · lines: %2 · %3 to %4", "%1 · lignes : %2 · %3 à %4")),
    (138, T("%1 Zeilen konnten nicht gelesen werden, die erste in Zeile %2.",
            "%1 lines could not be read, first at line %2.",
            "%1 lignes n'ont pas pu être lues, la première à la ligne %2.")),
    (139, T("%1 Zeile konnte nicht gelesen werden: Zeile %2.", "%1 line could not be read: line %2.",
            "%1 ligne n'a pas pu être lue : ligne %2.")),
    (140, T("%1 Zeilen tragen eine frühere Zeit als die Zeile davor (Uhr zurückgestellt) und fehlen im Bild, "
            "die erste in Zeile %2.",
            "%1 lines carry an earlier time than the line before them (clock set back) and are not drawn, "
            "first at line %2.",
            "%1 lignes portent une heure antérieure à la ligne précédente (horloge reculée) et ne sont pas "
            "tracées, la première à la ligne %2.")),
    (141, T("%1 Zeile trägt eine frühere Zeit als die Zeile davor (Uhr zurückgestellt) und fehlt im Bild: Zeile %2.",
            "%1 line carries an earlier time than the line before it (clock set back) and is not drawn: line %2.",
            "%1 ligne porte une heure antérieure à la ligne précédente (horloge reculée) et n'est pas tracée : "
            "ligne %2.")),
    (142, T("&Kurven", "&Curves", "&Courbes")),
    (143, T("&Lücken (%1)", "&Gaps (%1)", "&Lacunes (%1)")),
    (144, T("Kurve", "Curve", "Courbe")),
    (145, T("Achse", "Axis", "Axe")),
    (146, T("Minimum", "Minimum", "Minimum")),
    (147, T("Maximum", "Maximum", "Maximum")),
    (148, T("Mittelwert", "Mean", "Moyenne")),
    (149, T("Am Cursor", "At cursor", "Au curseur")),
    (150, T("links", "left", "gauche")),
    (151, T("rechts", "right", "droite")),
    (152, T("Spur unten", "lane below", "piste en bas")),
    (153, T("%1 – %2: %3 ohne Zeile", "%1 – %2: %3 without a line", "%1 – %2 : %3 sans ligne")),
    (154, T("Keine Lücke: nirgends länger als %1 ohne Zeile (zweimal der übliche Abstand von %2).",
            "No gap: nowhere longer than %1 without a line (twice the usual spacing of %2).",
            "Aucune lacune : nulle part plus de %1 sans ligne (deux fois l'écart habituel de %2).")),
    (155, T("Ö&ffnen…", "&Open…", "&Ouvrir…")),
    (156, T("&Export…", "&Export…", "&Exporter…")),
    (157, T("&Ganze Zeit", "&Whole time", "&Toute la durée")),
    (158, T("&Folgen", "&Follow", "&Suivre")),
    (159, T("Zeile %1 · %2", "Line %1 · %2", "Ligne %1 · %2")),
    (160, T("Cursor: Maus über den Kurven oder Pfeiltasten · Zoom: Rad, Ziehen, + und - · "
            "Verschieben: Strg+Pfeiltasten, Bild auf/ab · ganze Zeit: Pos1",
            "Cursor: mouse over the curves or arrow keys · zoom: wheel, drag, + and - · "
            "move: Ctrl+arrow keys, Page Up/Down · whole time: Home",
            "Curseur : souris sur les courbes ou flèches · zoom : molette, glisser, + et - · "
            "déplacer : Ctrl+flèches, Page préc./suiv. · toute la durée : Origine")),
    (161, T("CSV für andere Programme (*.csv);;Bild (*.png)", "CSV for other programs (*.csv);;Picture (*.png)",
            "CSV pour d'autres programmes (*.csv);;Image (*.png)")),
    (162, T("Exportiert: %1 Zeilen des gezeigten Bereichs nach %2", "Exported: %1 lines of the shown range to %2",
            "Exporté : %1 lignes de la plage affichée vers %2")),
    (163, T("Exportiert: %1 Zeile des gezeigten Bereichs nach %2", "Exported: %1 line of the shown range to %2",
            "Exporté : %1 ligne de la plage affichée vers %2")),
    (164, T("Bild gespeichert: %1", "Picture saved: %1", "Image enregistrée : %1")),
    (165, T("%1 ist keine Aufzeichnung: die erste Zeile ist kein Modellcode, oder keine Zeile ist eine Messzeile.",
            "%1 is no recording: its first line is no model code, or no line is a measurement line.",
            "%1 n'est pas un enregistrement : sa première ligne n'est pas un code modèle, ou aucune ligne "
            "n'est une ligne de mesure.")),
    (166, T("Lese %1 … %2 %", "Reading %1 … %2 %", "Lecture de %1 … %2 %")),
    (167, T("Folgt der Datei: neue Zeilen erscheinen, sobald sie geschrieben sind.",
            "Following the file: new lines appear as they are written.",
            "Suit le fichier : les nouvelles lignes apparaissent dès qu'elles sont écrites.")),
    (168, T("Die Datei wurde seither ersetzt oder gekürzt; gezeigt ist, was bis dahin gelesen war.",
            "The file has since been replaced or shortened; shown is what was read until then.",
            "Le fichier a depuis été remplacé ou raccourci ; est affiché ce qui avait été lu jusque-là.")),
    (169, T("dd.MM.yyyy HH:mm:ss", "yyyy-MM-dd HH:mm:ss", "dd/MM/yyyy HH:mm:ss")),
    (170, T("dd.MM.", "MMM d", "dd/MM")),
    (171, T("Aufzeichnungen (*.csv);;Alle Dateien (*)", "Recordings (*.csv);;All files (*)",
            "Enregistrements (*.csv);;Tous les fichiers (*)")),
    (172, T("Noch keine Aufzeichnung geöffnet.", "No recording opened yet.", "Aucun enregistrement ouvert.")),
    (173, T("Kurven über der Zeit", "Curves over time", "Courbes dans le temps")),
    (174, T("Werte von %1 bis %2", "Values from %1 to %2", "Valeurs de %1 à %2")),
    # The Graph page's export.
    (175, T("Diagramm exportiert: %1 Punkte nach %2", "Chart exported: %1 points to %2",
            "Graphique exporté : %1 points vers %2")),
    (176, T("Diagramm exportiert: %1 Punkt nach %2", "Chart exported: %1 point to %2",
            "Graphique exporté : %1 point vers %2")),
]

# --------------------------------------------------------------------------
# The meter's error catalogue, in the order of the Operation page's error table.

ERRORS = [
    (0, T("Kein Fehler", "No error", "Aucun défaut"), T(
        "Fehlercode 0: das Messgerät meldet keinen Fehler.\n"
        "Der Fehlerkontakt meldet nichts, die Messwerte sind gültig.",
        "Error code 0: the meter reports no error.\n"
        "The error contact is not signalling and the measured values are valid.",
        "Code de défaut 0 : l'appareil ne signale aucun défaut.\n"
        "Le contact de défaut n'est pas activé, les valeurs mesurées sont valables.")),
    (255, T("Interner Gerätefehler", "Internal device fault", "Défaut interne de l'appareil"), T(
        "Fehlercode 255: die Selbstüberwachung hat einen internen Fehler erkannt (Elektronik oder Programmablauf). "
        "Die Messwerte sind nicht verlässlich.\n"
        "Abhilfe: Versorgung mindestens 10 Sekunden abschalten, wieder einschalten und mit „Reset Fehler“ quittieren.\n"
        "Tritt der Fehler erneut auf, das Messgerät mit Modellcode, Softwareversion und Fehlerbeschreibung "
        "zur Reparatur einsenden.",
        "Error code 255: the self-monitoring has detected an internal fault (electronics or program run). "
        "The measured values cannot be relied on.\n"
        "Remedy: switch the supply off for at least 10 seconds, switch it on again and acknowledge with “Reset error”.\n"
        "If the fault returns, send the meter in for repair, stating the model code, the software version and "
        "a description of the fault.",
        "Code de défaut 255 : la surveillance interne a détecté un défaut (électronique ou déroulement du programme). "
        "Les valeurs mesurées ne sont pas fiables.\n"
        "Remède : couper l'alimentation pendant au moins 10 secondes, la rétablir et acquitter avec « RAZ défaut ».\n"
        "Si le défaut réapparaît, renvoyer l'appareil en réparation en indiquant le code modèle, la version "
        "logicielle et une description du défaut.")),
    (1, T("Sensorbruch", "Sensor break", "Rupture du capteur"), T(
        "Fehlercode 1: der Sensorstromkreis ist unterbrochen (Kabelbruch, gelöster Stecker oder defektes "
        "Sensorelement). Es wird kein gültiger Messwert gebildet.\n"
        "Abhilfe: Sensorkabel und Steckverbindung prüfen, Klemmen nachziehen. Ist der Sensor defekt, ihn tauschen "
        "und T- und C-Wert des neuen Sensors auf der Seite Konfiguration eintragen.\n"
        "Danach mit „Reset Fehler“ quittieren.",
        "Error code 1: the sensor circuit is open (broken cable, loose connector or defective sensor element). "
        "No valid measured value is formed.\n"
        "Remedy: check the sensor cable and connector and tighten the terminals. If the sensor is defective, "
        "replace it and enter the new sensor's T and C values on the Configuration page.\n"
        "Then acknowledge with “Reset error”.",
        "Code de défaut 1 : le circuit du capteur est ouvert (câble rompu, connecteur desserré ou élément sensible "
        "défectueux). Aucune valeur valable n'est mesurée.\n"
        "Remède : contrôler le câble et le connecteur du capteur, resserrer les bornes. Si le capteur est "
        "défectueux, le remplacer et saisir ses valeurs T et C sur la page Configuration.\n"
        "Acquitter ensuite avec « RAZ défaut ».")),
    (2, T("Sensorkurzschluss", "Sensor short circuit", "Court-circuit du capteur"), T(
        "Fehlercode 2: Kurzschluss im Sensorstromkreis (gequetschtes Kabel, Feuchtigkeit im Stecker oder "
        "defektes Sensorelement). Es wird kein gültiger Messwert gebildet.\n"
        "Abhilfe: Sensorkabel auf Beschädigung prüfen, Stecker trocknen und abdichten. Ist der Sensor defekt, "
        "ihn tauschen und T- und C-Wert des neuen Sensors auf der Seite Konfiguration eintragen.\n"
        "Danach mit „Reset Fehler“ quittieren.",
        "Error code 2: short circuit in the sensor circuit (crushed cable, moisture in the connector or "
        "defective sensor element). No valid measured value is formed.\n"
        "Remedy: check the sensor cable for damage, dry and seal the connector. If the sensor is defective, "
        "replace it and enter the new sensor's T and C values on the Configuration page.\n"
        "Then acknowledge with “Reset error”.",
        "Code de défaut 2 : court-circuit dans le circuit du capteur (câble écrasé, humidité dans le connecteur ou "
        "élément sensible défectueux). Aucune valeur valable n'est mesurée.\n"
        "Remède : contrôler l'état du câble, sécher et étancher le connecteur. Si le capteur est défectueux, "
        "le remplacer et saisir ses valeurs T et C sur la page Configuration.\n"
        "Acquitter ensuite avec « RAZ défaut ».")),
    (3, T("Temperatur unter Messbereich", "Temperature below range", "Température sous la plage"), T(
        "Fehlercode 3: die Temperatur des Mediums liegt unter dem Messbereich (unter -40 °C). "
        "Strömung und Volumenstrom werden dann nicht richtig berechnet.\n"
        "Abhilfe: Prozesstemperatur prüfen. Ist sie in Ordnung, Sensor und Sensorkabel prüfen.\n"
        "Der Fehler endet, sobald die Temperatur wieder im Messbereich liegt; dann mit „Reset Fehler“ quittieren.",
        "Error code 3: the temperature of the medium is below the measuring range (below -40 °C). "
        "Flow velocity and volume flow are then not calculated correctly.\n"
        "Remedy: check the process temperature. If it is correct, check the sensor and its cable.\n"
        "The error ends once the temperature is back within range; then acknowledge with “Reset error”.",
        "Code de défaut 3 : la température du fluide est sous l'étendue de mesure (moins de -40 °C). "
        "La vitesse et le débit volumétrique ne sont alors pas calculés correctement.\n"
        "Remède : contrôler la température du procédé. Si elle est correcte, contrôler le capteur et son câble.\n"
        "Le défaut cesse dès que la température revient dans la plage ; acquitter alors avec « RAZ défaut ».")),
    (4, T("Temperatur über Messbereich", "Temperature above range", "Température au-dessus de la plage"), T(
        "Fehlercode 4: die Temperatur des Mediums liegt über dem Messbereich (über 130 °C). "
        "Strömung und Volumenstrom werden dann nicht richtig berechnet; der Sensor kann Schaden nehmen.\n"
        "Abhilfe: Prozesstemperatur senken oder den Sensor aus der Leitung nehmen. Ist die Temperatur in Ordnung, "
        "Sensor und Sensorkabel prüfen.\n"
        "Der Fehler endet, sobald die Temperatur wieder im Messbereich liegt; dann mit „Reset Fehler“ quittieren.",
        "Error code 4: the temperature of the medium is above the measuring range (above 130 °C). "
        "Flow velocity and volume flow are then not calculated correctly; the sensor may be damaged.\n"
        "Remedy: lower the process temperature or remove the sensor from the line. If the temperature is correct, "
        "check the sensor and its cable.\n"
        "The error ends once the temperature is back within range; then acknowledge with “Reset error”.",
        "Code de défaut 4 : la température du fluide dépasse l'étendue de mesure (plus de 130 °C). "
        "La vitesse et le débit volumétrique ne sont alors pas calculés correctement ; le capteur peut être endommagé.\n"
        "Remède : abaisser la température du procédé ou retirer le capteur de la conduite. Si la température est "
        "correcte, contrôler le capteur et son câble.\n"
        "Le défaut cesse dès que la température revient dans la plage ; acquitter alors avec « RAZ défaut ».")),
    (5, T("Strömung über Messbereich", "Flow velocity above range", "Vitesse au-dessus de la plage"), T(
        "Fehlercode 5: die Strömungsgeschwindigkeit liegt über dem Messbereichsende des Sensors. "
        "Anzeige, Analogausgang und Totalisator zeigen dann zu wenig.\n"
        "Abhilfe: Durchfluss verringern oder einen Sensor mit größerem Messbereich bzw. eine größere Rohrgröße "
        "wählen. Auf der Seite Konfiguration Sensortyp, Medium und Rohrgröße prüfen.\n"
        "Der Fehler endet, sobald die Strömung wieder im Messbereich liegt; dann mit „Reset Fehler“ quittieren.",
        "Error code 5: the flow velocity is above the end of the sensor's measuring range. "
        "Display, analog output and totalizer then read too low.\n"
        "Remedy: reduce the flow, or use a sensor with a larger range or a larger pipe size. "
        "Check sensor type, medium and pipe size on the Configuration page.\n"
        "The error ends once the flow is back within range; then acknowledge with “Reset error”.",
        "Code de défaut 5 : la vitesse d'écoulement dépasse la fin de l'étendue de mesure du capteur. "
        "L'affichage, la sortie analogique et le totalisateur indiquent alors trop peu.\n"
        "Remède : réduire le débit, ou choisir un capteur de plus grande étendue ou une taille de tube supérieure. "
        "Contrôler le type de capteur, le fluide et la taille du tube sur la page Configuration.\n"
        "Le défaut cesse dès que la vitesse revient dans la plage ; acquitter alors avec « RAZ défaut ».")),
    (10, T("Kein Medium am Sensor", "No medium at sensor", "Pas de fluide au capteur"), T(
        "Fehlercode 10: der Sensor ist nicht vom Medium umgeben (Leitung leer oder teilgefüllt, Luftblase am "
        "Sensor, Sensor zu wenig tief eingebaut). Die Messwerte sind ungültig.\n"
        "Abhilfe: Füllung der Leitung prüfen, Leitung entlüften, Einbautiefe und Einbaulage des Sensors prüfen.\n"
        "Der Fehler endet, sobald der Sensor wieder im Medium ist; dann mit „Reset Fehler“ quittieren.",
        "Error code 10: the sensor is not surrounded by the medium (line empty or partly filled, air bubble at the "
        "sensor, sensor not inserted deep enough). The measured values are invalid.\n"
        "Remedy: check that the line is filled, vent it, and check the insertion depth and position of the sensor.\n"
        "The error ends once the sensor is back in the medium; then acknowledge with “Reset error”.",
        "Code de défaut 10 : le capteur n'est pas entouré de fluide (conduite vide ou partiellement remplie, bulle "
        "d'air au capteur, capteur pas assez enfoncé). Les valeurs mesurées ne sont pas valables.\n"
        "Remède : contrôler le remplissage de la conduite, la purger, contrôler la profondeur et la position "
        "du capteur.\n"
        "Le défaut cesse dès que le capteur est à nouveau dans le fluide ; acquitter alors avec « RAZ défaut ».")),
    (20, T("EEPROM-Prüfsummenfehler", "EEPROM checksum error", "Erreur de somme de contrôle EEPROM"), T(
        "Fehlercode 20: beim Einschalten stimmte die Prüfsumme des Parameterspeichers (EEPROM) nicht. "
        "Das Messgerät arbeitet mit Grundwerten, die nicht zur Messstelle passen.\n"
        "Abhilfe: auf der Seite Konfiguration den Parametersatz aus einer gespeicherten Konfigurationsdatei laden "
        "oder neu eingeben, mit „PC-->KT740“ schreiben und mit „Reset Fehler“ quittieren.\n"
        "Tritt der Fehler nach jedem Einschalten auf, ist der Speicher defekt: Messgerät zur Reparatur einsenden.",
        "Error code 20: at power-up the checksum of the parameter memory (EEPROM) was wrong. "
        "The meter works with default values that do not suit the measuring point.\n"
        "Remedy: on the Configuration page load the parameter set from a saved configuration file or enter it "
        "again, write it with “PC-->KT740” and acknowledge with “Reset error”.\n"
        "If the error appears at every power-up, the memory is defective: send the meter in for repair.",
        "Code de défaut 20 : à la mise sous tension, la somme de contrôle de la mémoire des paramètres (EEPROM) "
        "était fausse.\nL'appareil travaille avec des valeurs par défaut qui ne conviennent pas au point de mesure.\n"
        "Remède : sur la page Configuration, charger le jeu de paramètres depuis un fichier de configuration "
        "enregistré ou le saisir à nouveau, l'écrire avec « PC-->KT740 » et acquitter avec « RAZ défaut ».\n"
        "Si le défaut apparaît à chaque mise sous tension, la mémoire est défectueuse : renvoyer l'appareil en "
        "réparation.")),
    (21, T("EEPROM-Schreibfehler", "EEPROM write error", "Erreur d'écriture EEPROM"), T(
        "Fehlercode 21: das Messgerät konnte Parameter nicht dauerhaft in den Parameterspeicher (EEPROM) "
        "schreiben. Die zuletzt geschriebenen Werte gehen beim Abschalten verloren.\n"
        "Abhilfe: Parametersatz erneut mit „PC-->KT740“ schreiben, mit „KT740-->PC“ zurücklesen und vergleichen, "
        "dann mit „Reset Fehler“ quittieren.\n"
        "Bleibt der Fehler bestehen, das Messgerät zur Reparatur einsenden.",
        "Error code 21: the meter could not store parameters permanently in the parameter memory (EEPROM). "
        "The values written last are lost at power-down.\n"
        "Remedy: write the parameter set again with “PC-->KT740”, read it back with “KT740-->PC” and compare, "
        "then acknowledge with “Reset error”.\n"
        "If the error persists, send the meter in for repair.",
        "Code de défaut 21 : l'appareil n'a pas pu enregistrer durablement des paramètres dans la mémoire (EEPROM). "
        "Les dernières valeurs écrites sont perdues à la mise hors tension.\n"
        "Remède : écrire à nouveau le jeu de paramètres avec « PC-->KT740 », le relire avec « KT740-->PC » et "
        "comparer, puis acquitter avec « RAZ défaut ».\n"
        "Si le défaut persiste, renvoyer l'appareil en réparation.")),
    (30, T("Parametersatz ungültig", "Parameter set invalid", "Jeu de paramètres invalide"), T(
        "Fehlercode 30: der Parametersatz im Messgerät ist widersprüchlich oder unvollständig, z. B. nach einer "
        "abgebrochenen Übertragung oder wenn Sensortyp, Medium und Anschluss nicht zusammenpassen.\n"
        "Abhilfe: auf der Seite Konfiguration mit „KT740-->PC“ lesen, „Konfig-Check“ ausführen, markierte Werte "
        "korrigieren und mit „PC-->KT740“ schreiben; dann mit „Reset Fehler“ quittieren.",
        "Error code 30: the parameter set in the meter is inconsistent or incomplete, e.g. after an interrupted "
        "transfer or when sensor type, medium and fitting do not match.\n"
        "Remedy: on the Configuration page read with “KT740-->PC”, run “Config check”, correct the marked values "
        "and write with “PC-->KT740”; then acknowledge with “Reset error”.",
        "Code de défaut 30 : le jeu de paramètres de l'appareil est incohérent ou incomplet, par ex. après un "
        "transfert interrompu ou si type de capteur, fluide et raccord ne concordent pas.\n"
        "Remède : sur la page Configuration, lire avec « KT740-->PC », lancer « Contrôle config », corriger les "
        "valeurs marquées et écrire avec « PC-->KT740 » ; acquitter ensuite avec « RAZ défaut ».")),
    (40, T("Analogausgang überlastet", "Analog output overload", "Surcharge de la sortie analogique"), T(
        "Fehlercode 40: ein Analogausgang ist überlastet; sein Ausgangssignal stimmt nicht.\n"
        "Beim Stromausgang ist der Stromkreis offen oder die Bürde zu hoch, beim Spannungsausgang ist die Last "
        "zu niederohmig oder kurzgeschlossen.\n"
        "Abhilfe: Verdrahtung und angeschlossene Last prüfen (zulässige Bürde laut Datenblatt); "
        "dann mit „Reset Fehler“ quittieren.",
        "Error code 40: an analog output is overloaded; its output signal is wrong.\n"
        "For a current output the loop is open or the load resistance too high; for a voltage output the load "
        "resistance is too low or short-circuited.\n"
        "Remedy: check the wiring and the connected load (allowed load as per data sheet); "
        "then acknowledge with “Reset error”.",
        "Code de défaut 40 : une sortie analogique est en surcharge ; son signal de sortie est faux.\n"
        "Sur une sortie courant, la boucle est ouverte ou la résistance de charge trop élevée ; sur une sortie "
        "tension, la résistance de charge est trop faible ou la sortie en court-circuit.\n"
        "Remède : contrôler le câblage et la charge raccordée (résistance de charge admise selon la fiche "
        "technique) ; "
        "acquitter ensuite avec « RAZ défaut ».")),
    (41, T("Schaltausgang überlastet", "Switching output overload", "Surcharge d'une sortie de commutation"), T(
        "Fehlercode 41: ein Grenzkontakt oder der Frequenzausgang ist überlastet oder kurzgeschlossen; "
        "der Ausgang wird zum Schutz abgeschaltet.\n"
        "Abhilfe: Verdrahtung und angeschlossene Last prüfen, den Strom auf den zulässigen Schaltstrom begrenzen, "
        "bei induktiven Lasten eine Freilaufdiode vorsehen; dann mit „Reset Fehler“ quittieren.",
        "Error code 41: a limit contact or the frequency output is overloaded or short-circuited; "
        "the output is switched off for protection.\n"
        "Remedy: check the wiring and the connected load, keep the current within the allowed switching current, "
        "fit a freewheeling diode across inductive loads; then acknowledge with “Reset error”.",
        "Code de défaut 41 : un contact de seuil ou la sortie fréquence est en surcharge ou en court-circuit ; "
        "la sortie est coupée par protection.\n"
        "Remède : contrôler le câblage et la charge, limiter le courant au courant de commutation admis, "
        "prévoir une diode de roue libre sur les charges inductives ; acquitter ensuite avec « RAZ défaut ».")),
    (60, T("Versorgungsspannung zu niedrig", "Supply voltage low", "Tension d'alimentation trop basse"), T(
        "Fehlercode 60: die Versorgungsspannung des Messgeräts ist zu niedrig. Messung und Ausgänge arbeiten nicht "
        "zuverlässig, Parameter können nicht gespeichert werden.\n"
        "Abhilfe: Spannung unter Last direkt an den Versorgungsklemmen messen; Netzteil, Leitungslänge, "
        "Leitungsquerschnitt und Klemmen prüfen.\n"
        "Der Fehler endet, sobald die Spannung wieder ausreicht; dann mit „Reset Fehler“ quittieren.",
        "Error code 60: the supply voltage of the meter is too low. Measurement and outputs do not work reliably, "
        "and parameters cannot be stored.\n"
        "Remedy: measure the voltage under load directly at the supply terminals; check the power supply, the cable "
        "length and cross-section and the terminals.\n"
        "The error ends once the voltage is sufficient again; then acknowledge with “Reset error”.",
        "Code de défaut 60 : la tension d'alimentation de l'appareil est trop basse. La mesure et les sorties ne "
        "fonctionnent pas de façon fiable, les paramètres ne peuvent pas être enregistrés.\n"
        "Remède : mesurer la tension en charge directement aux bornes d'alimentation ; contrôler le bloc "
        "d'alimentation, la longueur et la section du câble ainsi que les bornes.\n"
        "Le défaut cesse dès que la tension est à nouveau suffisante ; acquitter alors avec « RAZ défaut ».")),
]

# --------------------------------------------------------------------------
# Writing


class TextError(Exception):
    pass


def french(text):
    """Non-breaking spaces before French double punctuation and inside guillemets."""
    for a, b in ((" :", "\u00a0:"), (" ;", "\u00a0;"), (" ?", "\u00a0?"), (" !", "\u00a0!"),
                 ("« ", "«\u00a0"), (" »", "\u00a0»")):
        text = text.replace(a, b)
    return text


def fix(lang, text):
    return french(text) if lang == "fr" else text


def check_line(where, line):
    if not line or line != line.strip(" ") or line.startswith("#"):
        raise TextError(f"{where}: empty line, outer blanks or leading '#': {line!r}")
    if any(ord(c) < 0x20 or ord(c) == 0x7F for c in line):
        raise TextError(f"{where}: control character in {line!r}")


def tip_lines(where, text, max_lines, max_total):
    lines = text.split("\n")
    if not 1 <= len(lines) <= max_lines:
        raise TextError(f"{where}: {len(lines)} lines")
    for line in lines:
        check_line(where, line)
        if len(line) > TIP_LINE_MAX:
            raise TextError(f"{where}: line of {len(line)} characters: {line[:60]}...")
    if len("\r\n".join(lines)) > max_total:
        raise TextError(f"{where}: text of {len(chr(13).join(lines)) + len(lines) - 1} characters")
    return lines


def build(lang):
    """Returns {file name: list of lines} for one language."""
    files = {}

    def labels(stem, records):
        out = []
        for id_, t in records:
            text = fix(lang, t[lang])
            check_line(f"{stem} #{id_}", text)
            out += [f"#{id_}", text]
        files[stem] = out

    def helps(stem, records, max_lines=4, max_total=HELP_MAX):
        out = []
        seen = set()
        for id_, t in records:
            if id_ in seen:
                raise TextError(f"{stem}: #{id_} twice")
            seen.add(id_)
            out += [f"#{id_}"] + tip_lines(f"{stem}_{lang} #{id_}", fix(lang, t[lang]), max_lines, max_total) + [""]
        files[stem] = out

    labels("Einstellungen_labels", SETTINGS_LABELS)
    helps("Einstellungen_hilfe", SETTINGS_HELP)
    labels("Konfigurieren_labels", CONFIG_LABELS)
    helps("Konfigurieren_hilfe", _config_help())
    labels("Betrieb_labels", OPERATION_LABELS)
    helps("Betrieb_hilfe", OPERATION_HELP)
    labels("Grafik_labels", GRAPH_LABELS)
    helps("Grafik_hilfe", GRAPH_HELP)
    labels("Kommandozeile_texte", CLI_TEXTS)

    out = []
    for code, text, _ in ERRORS:
        line = fix(lang, text[lang])
        check_line(f"Fehlertext #{code}", line)
        out += [f"#{code}", line]
    files["Betrieb_Fehlertext"] = out
    helps("Betrieb_Fehlerhilfe", [(code, h) for code, _, h in ERRORS], max_lines=6, max_total=ERROR_MAX)

    out = []
    for n, t in MESSAGES:
        lines = [fix(lang, s) for s in t[lang]]
        if not 2 <= len(lines) <= 5:
            raise TextError(f"message {n}: {len(lines)} lines")
        for line in lines:
            check_line(f"Messages_{lang} #{n}", line)
        out += [f"#{n}"] + lines + [""]
    if [n for n, _ in MESSAGES] != list(range(1, 16)):
        raise TextError("messages must be 1 to 15")
    if [n for n, _ in STATUS_MESSAGES] != list(range(STATUS_FIRST, STATUS_FIRST + len(STATUS_MESSAGES))):
        raise TextError("status texts must be numbered without gaps from 41")
    for n, t in STATUS_MESSAGES:
        line = fix(lang, t[lang])
        check_line(f"Messages_{lang} #{n}", line)
        out += [f"#{n}", line, ""]
    files["Messages"] = out
    return files


def main():
    if [code for code, _, _ in ERRORS] != [0, 255, 1, 2, 3, 4, 5, 10, 20, 21, 30, 40, 41, 60]:
        raise TextError("error catalogue out of order")
    result = {}
    for lang in LANGS:
        for stem, lines in build(lang).items():
            name = f"{stem}_{lang}.txt"
            data = b""
            for i, line in enumerate(lines):
                try:
                    raw = line.encode("cp1252")
                except UnicodeEncodeError as e:
                    raise TextError(f"{name}, line {i + 1}: not in Windows-1252: {line!r} ({e.reason})")
                if len(raw) + 2 > LINE_MAX:
                    raise TextError(f"{name}, line {i + 1}: {len(raw) + 2} bytes")
                data += raw + b"\r\n"
            result[name] = data
    if len(result) != 36:
        raise TextError(f"{len(result)} files instead of 36")
    for name, data in sorted(result.items()):
        with open(os.path.join(HERE, name), "wb") as f:
            f.write(data)
    print(f"wrote {len(result)} files to {HERE}")


if __name__ == "__main__":
    try:
        main()
    except TextError as e:
        sys.exit(f"make_texts: {e}")
