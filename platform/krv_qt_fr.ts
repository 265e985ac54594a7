<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<!-- Our French for the texts of Qt 6.4's print dialogs that Qt's own French
     translation (qtbase_fr.qm of qt6-translations-l10n 6.4.2) leaves in English or
     gets wrong, in words or in typography. Contexts and sources are Qt's, exactly
     as its dialogs ask for them.
     Compiled by lrelease alone: lupdate would find none of them in our sources.
     Non-breaking spaces are written as character references: &#xa0; before a colon,
     &#x202f; (narrow) before ; ? and !. -->
<TS version="2.1" language="fr_FR">
<context>
    <name>QPrintSettingsOutput</name>
    <message><source>Double Sided Printing</source><translation>Recto verso</translation></message>
    <message><source>Off</source><translation>Non</translation></message>
    <message><source>Long side binding</source><translation>Reliure côté long</translation></message>
    <message><source>Short side binding</source><translation>Reliure côté court</translation></message>
    <message><source>Grayscale</source><translation>Niveaux de gris</translation></message>
    <message><source>Print range</source><translation>Pages à imprimer</translation></message>
    <message><source>Pages</source><translation>Pages</translation></message>
    <message><source>Page Set:</source><translation>Pages&#xa0;:</translation></message>
    <message><source>Specify pages or ranges separated by commas. Ranges are specified by two numbers separated by a hyphen. E.g: 3,5-7,9 prints pages 3, 5, 6, 7 and 9.</source><translation>Indiquez des pages ou des intervalles séparés par des virgules&#x202f;; un intervalle est fait de deux numéros reliés par un tiret. Par exemple, 3,5-7,9 imprime les pages 3, 5, 6, 7 et 9.</translation></message>
</context>
<context>
    <name>QPrintPropertiesDialog</name>
    <message><source>Printer Properties</source><translation>Propriétés de l’imprimante</translation></message>
    <message><source>Page Setup Conflicts</source><translation>Réglages de page incompatibles</translation></message>
    <message><source>Advanced Option Conflicts</source><translation>Options avancées incompatibles</translation></message>
    <message><source>There are conflicts in page setup options. Do you want to fix them?</source><translation>Des réglages de la page sont incompatibles. Voulez-vous les corriger&#x202f;?</translation></message>
    <message><source>There are conflicts in some advanced options. Do you want to fix them?</source><translation>Des options avancées sont incompatibles. Voulez-vous les corriger&#x202f;?</translation></message>
</context>
<context>
    <name>QPrintPropertiesWidget</name>
    <message><source>Advanced</source><translation>Avancé</translation></message>
    <message><source>There are conflicts in some options. Please fix them.</source><translation>Des options sont incompatibles&#xa0;: veuillez les corriger.</translation></message>
</context>
<context>
    <name>QPrintDialog</name>
    <message><source>Left to Right, Top to Bottom</source><translation>De gauche à droite puis de haut en bas</translation></message>
    <message><source>Write PDF file</source><translation>Fichier PDF</translation></message>
    <message><source>Invalid Pages Definition</source><translation>Pages mal indiquées</translation></message>
    <message><source>%1 does not follow the correct syntax. Please use &apos;,&apos; to separate ranges and pages, &apos;-&apos; to define ranges and make sure ranges do not intersect with each other.</source><translation>%1 est mal écrit. Séparez les pages et les intervalles par des virgules, reliez les bornes d’un intervalle par un tiret, et évitez que les intervalles se chevauchent.</translation></message>
    <message><source>%1 already exists.
Do you want to overwrite it?</source><translation>Le fichier %1 existe déjà.
Voulez-vous le remplacer&#x202f;?</translation></message>
    <message><source>Duplex Settings Conflicts</source><translation>Réglages recto verso incompatibles</translation></message>
    <message><source>There are conflicts in duplex settings. Do you want to fix them?</source><translation>Les réglages recto verso sont incompatibles. Voulez-vous les corriger&#x202f;?</translation></message>
</context>
<context>
    <name>QCupsJobWidget</name>
    <message><source>Start:</source><translation>Début&#xa0;:</translation></message>
    <message><source>End:</source><translation>Fin&#xa0;:</translation></message>
    <message><source>Specific Time</source><translation>À une heure donnée</translation></message>
</context>
<context>
    <name>QPageSetupWidget</name>
    <!-- Suffixes of the margins' and sizes' fields: "3,53 mm", not "3,53mm". -->
    <message><source>mm</source><translation>&#xa0;mm</translation></message>
    <message><source>pt</source><translation>&#xa0;pt</translation></message>
    <message><source>in</source><translation>&#xa0;po</translation></message>
</context>
<context>
    <name>QFileDialog</name>
    <message><source>%1 already exists.
Do you want to replace it?</source><translation>Le fichier %1 existe déjà.
Voulez-vous le remplacer&#x202f;?</translation></message>
</context>
<context>
    <name>QPageSize</name>
    <message><source>Letter Extra</source><translation>Letter Extra</translation></message>
    <message><source>Envelope Personal</source><translation>Enveloppe Personal</translation></message>
</context>
<context>
    <name>QAbstractFileIconProvider</name>
    <message><source>Folder</source><translation>Dossier</translation></message>
    <message><source>Drive</source><translation>Lecteur</translation></message>
</context>
</TS>
