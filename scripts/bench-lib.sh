# Shell pieces the benchmark scripts share (sourced, not run).

# Makes a product database at LOCATION (a file path on this machine, served
# by the local server) and grows it to about MIB MiB of rows that do not
# compress: 32 rows of 32000 characters per MiB. Extra arguments go to
# orvalto-testdb. Needs BIN and ISC_USER/ISC_PASSWORD.
grow_database() {
  local db=$1 mib=$2
  shift 2
  "$BIN/orvalto-testdb" "localhost:$db" "$@"
  # Page writes need not wait for the disk while the database is filled.
  gfix -write async "localhost:$db"
  isql-fb -q "localhost:$db" <<SQL
CREATE TABLE LASTRO (DADOS VARCHAR(32000));
COMMIT;
SET TERM ^;
EXECUTE BLOCK AS DECLARE I INTEGER = 0; BEGIN
  WHILE (I < $((mib * 32))) DO BEGIN
    INSERT INTO LASTRO VALUES (LPAD('', 32000, UUID_TO_CHAR(GEN_UUID()) || UUID_TO_CHAR(GEN_UUID())));
    I = I + 1;
  END
END^
SET TERM ;^
COMMIT;
SQL
  # Back to the server's default, as an installation runs it.
  gfix -write sync "localhost:$db"
}
