-- Halvane database: companies, their department trees, employees, guests and visits.
-- Plain statements, one per ";", up to the triggers at the end: their bodies hold ";", so they
-- stand between SET TERM ^ ; and SET TERM ; ^, each ended by "^". isql-fb runs the file as it
-- is; the test fixture's splitSql takes SET TERM as isql does and sends no SET TERM itself.
-- The database itself is created with the default character set WIN1250.

-- Polish sorting and case rules for every text column.
ALTER CHARACTER SET WIN1250 SET DEFAULT COLLATION PXW_PLK;

CREATE TABLE FIRMY (
  ID        INTEGER NOT NULL,
  NAZWA     VARCHAR(128),
  CONSTRAINT PK_FIRMY PRIMARY KEY (ID)
);

-- POPID 0 = top level of the company; KOLEJ = depth-first position in the company's tree.
CREATE TABLE DZIALY (
  ID          INTEGER NOT NULL,
  FIRMA_ID    INTEGER,
  POPID       INTEGER,
  KOLEJ       INTEGER,
  NAZWA       VARCHAR(64),
  LOKALIZACJA VARCHAR(64),
  CONSTRAINT PK_DZIALY PRIMARY KEY (ID),
  CONSTRAINT FK_DZIALY_FIRMY FOREIGN KEY (FIRMA_ID) REFERENCES FIRMY (ID) ON DELETE CASCADE
);

-- DZIAL_ID 0 = the employee belongs to the company but to no department.
CREATE TABLE PERSONEL (
  ID          INTEGER NOT NULL,
  FIRMA_ID    INTEGER,
  DZIAL_ID    INTEGER,
  IMIE        VARCHAR(32),
  NAZWISKO    VARCHAR(64),
  STANOWISKO  VARCHAR(64),
  PIETRO      VARCHAR(16),
  POKOJ       VARCHAR(16),
  TELSTACJ    VARCHAR(64),
  TELKOM      VARCHAR(64),
  EMAIL       VARCHAR(64),
  INFO        VARCHAR(1024),
  CONSTRAINT PK_PERSONEL PRIMARY KEY (ID),
  CONSTRAINT FK_PERSONEL_FIRMY FOREIGN KEY (FIRMA_ID) REFERENCES FIRMY (ID) ON DELETE CASCADE
);

CREATE TABLE GOSCIE (
  ID     INTEGER NOT NULL,
  NAZWA  VARCHAR(100),
  DOKUM  VARCHAR(64),
  INFO   VARCHAR(1024),
  CONSTRAINT PK_GOSCIE PRIMARY KEY (ID)
);

-- A visit keeps its own copies of the guest's and the employee's names: visits are never deleted.
CREATE TABLE WIZYTY (
  ID             INTEGER NOT NULL,
  FIRMA_ID       INTEGER,
  DZIAL_ID       INTEGER,
  GOSC_ID        INTEGER,
  GOSC_NAZWA     VARCHAR(100),
  GOSC_DOKUM     VARCHAR(64),
  PERSON_ID      INTEGER,
  PERSON_NAZWA   VARCHAR(100),
  DTPRZYBYCIA    TIMESTAMP,
  DTWEJSCIA      TIMESTAMP,
  DTWYJSCIA      TIMESTAMP,
  IDENTYFIKATOR  VARCHAR(64),
  NRKARTY        VARCHAR(64),
  WIADOMOSC      VARCHAR(1024),
  DTODEBRWIADOM  TIMESTAMP,
  CONSTRAINT PK_WIZYTY PRIMARY KEY (ID)
);

-- Every erasure of personal data, so that it can be done again on a backup restored later:
-- one guest erased on request (GOSC_ID) or a removal of everything before a cut-off day
-- (GRANICA). Numbers and days only, never a name. DTOCZYSZCZENIA: when the database file was
-- rewritten after it (null: the erased values may still be read from the file).
CREATE TABLE USUNIECIA (
  ID              INTEGER NOT NULL,
  DTUSUNIECIA     TIMESTAMP NOT NULL,
  GOSC_ID         INTEGER,
  GRANICA         DATE,
  DTOCZYSZCZENIA  TIMESTAMP,
  CONSTRAINT PK_USUNIECIA PRIMARY KEY (ID)
);

-- Texts that every desk shares, one per key (the information clause given to guests).
CREATE TABLE USTAWIENIA (
  KLUCZ    VARCHAR(64) NOT NULL,
  WARTOSC  VARCHAR(4000),
  CONSTRAINT PK_USTAWIENIA PRIMARY KEY (KLUCZ)
);

-- The outbox: e-mail waiting for the mail server, one message and one address a row, deleted
-- once the server has taken it (or by the removal of old personal data: it holds guests'
-- names). A desk claims a row (STAN 1, WYSYLA, DTPOBRANIA) and commits before it sends, so
-- that two desks never send one message. STAN: 0 waiting for DTNASTEPNEJ, 1 being sent,
-- 2 refused for good (the administrator sends it again or drops it). RODZAJ: 1 a host's
-- notice of a guest (WIZYTA_ID), 2 the evacuation list, 3 a test message, 4 an invitation
-- to a guest expected at a visit (WIZYTA_ID; the guest's address is kept only here, until sent).
CREATE TABLE POCZTA (
  ID               INTEGER NOT NULL,
  DTUTWORZENIA     TIMESTAMP DEFAULT CURRENT_TIMESTAMP NOT NULL,
  RODZAJ           SMALLINT NOT NULL,
  WIZYTA_ID        INTEGER,
  ADRESAT          VARCHAR(254) NOT NULL,
  TEMAT            VARCHAR(500) NOT NULL,
  TRESC            BLOB SUB_TYPE TEXT,
  ZALACZNIK_NAZWA  VARCHAR(100),
  ZALACZNIK        BLOB SUB_TYPE BINARY,
  STAN             SMALLINT DEFAULT 0 NOT NULL,
  PROBY            INTEGER DEFAULT 0 NOT NULL,
  DTNASTEPNEJ      TIMESTAMP DEFAULT CURRENT_TIMESTAMP NOT NULL,
  WYSYLA           VARCHAR(100),
  DTPOBRANIA       TIMESTAMP,
  ODPOWIEDZ        VARCHAR(1000),
  CONSTRAINT PK_POCZTA PRIMARY KEY (ID)
);

-- An invitation sent to a guest expected at a visit: its code, shown at the desk from the
-- e-mail or its QR code, opens the visit's entry. One code a visit; the code works until the
-- visit's exit or the end of its arrival day. The guest's e-mail address is not kept.
CREATE TABLE ZAPROSZENIA (
  WIZYTA_ID     INTEGER NOT NULL,
  KOD           VARCHAR(8) NOT NULL,
  DTUTWORZENIA  TIMESTAMP DEFAULT CURRENT_TIMESTAMP NOT NULL,
  CONSTRAINT PK_ZAPROSZENIA PRIMARY KEY (WIZYTA_ID),
  CONSTRAINT UQ_ZAPROSZENIA_KOD UNIQUE (KOD)
);

-- Guests who may not enter the building ("Zakaz wstępu"), with the reason and the day it was
-- set: personal data, erased and removed with the guest's other data.
CREATE TABLE ZAKAZY_WSTEPU (
  GOSC_ID  INTEGER NOT NULL,
  POWOD    VARCHAR(500) NOT NULL,
  DZIEN    DATE NOT NULL,
  CONSTRAINT PK_ZAKAZY_WSTEPU PRIMARY KEY (GOSC_ID)
);

CREATE INDEX IX_DZIALY_FIRMA_POPID ON DZIALY (FIRMA_ID, POPID);
CREATE INDEX IX_PERSONEL_FIRMA_DZIAL ON PERSONEL (FIRMA_ID, DZIAL_ID);
CREATE INDEX IX_WIZYTY_DTPRZYBYCIA ON WIZYTY (DTPRZYBYCIA);
-- A guest's visits: when each guest was last seen (the removal of old personal data asks
-- it of every guest), the guest's data on request and its erasure.
CREATE INDEX IX_WIZYTY_GOSC_DTPRZYBYCIA ON WIZYTY (GOSC_ID, DTPRZYBYCIA);
-- The reception overview finds the visits still open (no exit) among years of closed ones.
CREATE INDEX IX_WIZYTY_DTWYJSCIA ON WIZYTY (DTWYJSCIA);
-- The desks look for messages due to be sent every few seconds.
CREATE INDEX IX_POCZTA_DTNASTEPNEJ ON POCZTA (DTNASTEPNEJ);

CREATE GENERATOR GEN_FIRMY_ID;
CREATE GENERATOR GEN_DZIALY_ID;
CREATE GENERATOR GEN_PERSONEL_ID;
CREATE GENERATOR GEN_GOSCIE_ID;
CREATE GENERATOR GEN_WIZYTY_ID;
CREATE GENERATOR GEN_USUNIECIA_ID;
CREATE GENERATOR GEN_POCZTA_ID;

-- After every change of a table its trigger posts the event named as the table; the server
-- delivers it when the change is committed, and the desks read their lists again. The
-- triggers change no data. The program tells by the names TR_<table>_ZMIANY whether a
-- database has them; a database without them is read again every 30 s instead.
SET TERM ^ ;

CREATE TRIGGER TR_FIRMY_ZMIANY FOR FIRMY
ACTIVE AFTER INSERT OR UPDATE OR DELETE POSITION 0
AS
BEGIN
  POST_EVENT 'FIRMY';
END^

CREATE TRIGGER TR_DZIALY_ZMIANY FOR DZIALY
ACTIVE AFTER INSERT OR UPDATE OR DELETE POSITION 0
AS
BEGIN
  POST_EVENT 'DZIALY';
END^

CREATE TRIGGER TR_PERSONEL_ZMIANY FOR PERSONEL
ACTIVE AFTER INSERT OR UPDATE OR DELETE POSITION 0
AS
BEGIN
  POST_EVENT 'PERSONEL';
END^

CREATE TRIGGER TR_GOSCIE_ZMIANY FOR GOSCIE
ACTIVE AFTER INSERT OR UPDATE OR DELETE POSITION 0
AS
BEGIN
  POST_EVENT 'GOSCIE';
END^

CREATE TRIGGER TR_WIZYTY_ZMIANY FOR WIZYTY
ACTIVE AFTER INSERT OR UPDATE OR DELETE POSITION 0
AS
BEGIN
  POST_EVENT 'WIZYTY';
END^

-- A guest's mark "Zakaz wstępu" is shown with the guests and their visits: its change is
-- posted as a change of the guests.
CREATE TRIGGER TR_ZAKAZY_WSTEPU_ZMIANY FOR ZAKAZY_WSTEPU
ACTIVE AFTER INSERT OR UPDATE OR DELETE POSITION 0
AS
BEGIN
  POST_EVENT 'GOSCIE';
END^

SET TERM ; ^
